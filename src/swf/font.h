// Fonts and text: DefineFont, DefineFont2 and DefineFont3 glyph outlines,
// DefineText and DefineText2 static text, DefineEditText fields.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "swf/bytes.h"
#include "swf/geometry.h"
#include "swf/shape.h"
#include "swf/text_format.h"

namespace strandel::swf {

struct FontDefinition {
  std::vector<Path> glyphs;                     // in EM units, filled with the text colour
  std::vector<std::uint16_t> codes;             // character of each glyph; empty for DefineFont
  std::vector<std::int16_t> advances;           // EM units; empty without layout
  double em = 1024;                             // 20480 for DefineFont3, whose glyphs are in twips
  double ascent = 0, descent = 0, leading = 0;  // EM units
  std::string name;
  bool bold = false, italic = false;
  // Kerning pairs of the layout table: (left, right) character → EM units.
  std::map<std::pair<std::uint16_t, std::uint16_t>, std::int16_t> kerning;

  int glyph_for(std::uint16_t code) const;  // -1 when the font lacks it
};

// DefineFontInfo and DefineFontInfo2: a DefineFont's name, style and the
// character of each glyph, read after the font id into `font`.
void read_define_font_info(ByteReader& in, FontDefinition& font, int version);

// Reads DefineFont after the character id.
FontDefinition read_define_font(ByteReader& in);
// Reads DefineFont2 (version 2) or DefineFont3 (version 3) after the id.
FontDefinition read_define_font2(ByteReader& in, int version);

struct GlyphEntry {
  std::uint32_t index = 0;
  std::int32_t advance = 0;  // twips
};

// A TEXTRECORD with the state that earlier records left in force.
struct TextRun {
  std::uint16_t font_id = 0;
  std::uint16_t height = 0;  // twips
  Rgba color;
  std::int32_t x = 0, y = 0;  // pen at the first glyph, twips in text space
  std::vector<GlyphEntry> glyphs;
};

struct TextDefinition {
  Rect bounds;
  Matrix matrix;
  std::vector<TextRun> runs;
};

// Reads DefineText (version 1, RGB) or DefineText2 (version 2, RGBA) after the id.
TextDefinition read_define_text(ByteReader& in, int version);

struct EditTextDefinition {
  Rect bounds;
  bool has_font = false;
  std::uint16_t font_id = 0;
  std::uint16_t height = 240;  // twips
  Rgba color{0, 0, 0, 255};
  std::string text;  // initial text as UTF-8: HTML source when `html`
  std::string variable;
  std::string font_class;  // names a font of compiled code; drawn with a device font
  TextAlign align = TextAlign::Left;
  std::uint16_t left_margin = 0, right_margin = 0, indent = 0;
  std::int16_t leading = 0;
  std::uint16_t max_length = 0;  // 0: no limit
  bool word_wrap = false, multiline = false, password = false, border = false, html = false,
       use_outlines = false, read_only = false, auto_size = false, selectable = true;
  bool advanced_anti_alias = false;  // CSMTextSettings asks for the advanced renderer
};

// Reads DefineEditText after the id.
EditTextDefinition read_define_edit_text(ByteReader& in);

// Text from a movie as valid UTF-8: bytes that are not UTF-8 are read as
// Latin-1, the encoding movies before version 6 mostly used.
std::string to_utf8(const std::string& bytes);
// HTML text as plain text: tags removed, <br> and paragraph ends as line
// breaks, the common entities decoded.
std::string html_to_plain(const std::string& html);

}  // namespace strandel::swf
