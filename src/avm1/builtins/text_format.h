// TextFormat: a character and paragraph format whose fields may each be
// unset (null), as scripts build one to apply to a text field and as a
// field reports the format of a range of its text.
#pragma once

#include <cstdint>

#include "avm1/object.h"
#include "swf/text_format.h"

namespace strandel::avm1 {

class Activation;

// How a style sheet's element is laid out: only TextFormat keeps it.
enum class TextDisplay : std::uint8_t { Block, Inline, None };

class TextFormatObject : public Object {
 public:
  using Object::Object;
  swf::PartialTextFormat format;
  TextDisplay display = TextDisplay::Block;
};

// A new TextFormat holding a format's set fields.
Value make_text_format(Activation& act, const swf::PartialTextFormat& format);
// The format a value holds; null when it is not a TextFormat.
const swf::PartialTextFormat* text_format_of(const Value& v);

}  // namespace strandel::avm1
