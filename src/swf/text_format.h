// The character and paragraph formats of text fields, as text fields hold
// them and scripts read and set them. Sizes and margins are in pixels, as
// the HTML subset and scripts give them.
#pragma once

#include <cstdint>
#include <optional>
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
  std::vector<double> tab_stops;  // pixels from the left margin

  bool operator==(const TextFormat&) const = default;
};

// A format whose fields may be unset: what a script applies to a range of
// text (only the set fields change) and what a range reports (the fields
// that differ across it are unset). The colour is 0xRRGGBB.
struct PartialTextFormat {
  std::optional<std::string> font;
  std::optional<double> size;
  std::optional<std::uint32_t> color;
  std::optional<bool> bold, italic, underline;
  std::optional<std::string> url, target;
  std::optional<double> letter_spacing;
  std::optional<bool> kerning;
  std::optional<TextAlign> align;
  std::optional<double> left_margin, right_margin, indent, block_indent, leading;
  std::optional<bool> bullet;
  std::optional<std::vector<double>> tab_stops;

  // Every field set from a format.
  static PartialTextFormat of(const TextFormat& f);
  // Sets the set fields on a format.
  void apply_to(TextFormat& f) const;
  // Unsets the fields whose values differ from the format's.
  void keep_common(const TextFormat& f);
  // Whether any paragraph field (alignment, margins, indents, leading,
  // bullet, tab stops) is set.
  bool has_paragraph_fields() const;

  bool operator==(const PartialTextFormat&) const = default;
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
