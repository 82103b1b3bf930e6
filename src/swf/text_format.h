// The character and paragraph formats of text fields, as text fields hold
// them and scripts read and set them. Sizes and margins are in pixels, as
// the HTML subset and scripts give them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/geometry.h"

namespace strandel::swf {

enum class TextAlign : std::uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct TextFormat {
  // Character format
  std::string font = "Times New Roman";  // an embedded font's name, or a device font
  double size = 12;
  Rgba color{0, 0, 0, 255};
  bool bold = false, italic = false, underline = false;
  std::string url, target;  // a link: <a href target>
  double letter_spacing = 0;
  bool kerning = false;
  // Paragraph format: what a paragraph's first character carries holds for
  // the whole paragraph.
  TextAlign align = TextAlign::Left;
  double left_margin = 0, right_margin = 0, indent = 0, block_indent = 0, leading = 0;
  bool bullet = false;

  bool operator==(const TextFormat&) const = default;
};

// Text in one format. Paragraphs end at '\r'.
struct TextSpan {
  std::u32string text;
  TextFormat format;
};

// Caps on what a text field holds: longer text is cut, as hostile movies
// and scripts may set text of any length.
inline constexpr std::size_t kMaxTextFieldChars = 1u << 20;
inline constexpr std::size_t kMaxTextSpans = 1u << 16;

std::u32string utf8_to_u32(const std::string& s);
std::string u32_to_utf8(const std::u32string& s);

}  // namespace strandel::swf
