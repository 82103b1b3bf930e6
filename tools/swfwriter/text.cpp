// Fonts and text: DefineFont2/3, DefineText/DefineText2, DefineEditText.
#include <algorithm>
#include <cmath>

#include "swfwriter/swfwriter.h"

namespace swfw {

int Font::index_of(std::uint16_t code) const {
  for (std::size_t i = 0; i < glyphs.size(); ++i)
    if (glyphs[i].code == code) return static_cast<int>(i);
  return -1;
}

Font device_font(const std::string& name) {
  Font f;
  f.name = name;
  f.layout = false;
  return f;
}

// DefineFont2 and DefineFont3 share one layout: flags, language, name,
// glyph offsets (from the start of the offset table), shapes, code table,
// then ascent/descent/leading, advances, bounds and an empty kerning table.
// A font without glyphs ends after NumGlyphs (and its layout, if any).
static Bytes font_body(std::uint16_t id, const Font& f) {
  std::vector<Bytes> shapes;
  std::size_t shapes_size = 0;
  for (const auto& g : f.glyphs) {
    shapes.push_back(g.shape.glyph_shape());
    shapes_size += shapes.back().size();
  }
  const std::size_t n = f.glyphs.size();
  const bool wide_offsets = 2 * (n + 1) + shapes_size > 0xFFFF;
  const std::size_t offset_size = wide_offsets ? 4 : 2;

  Writer w;
  w.u16(id);
  w.ub(1, f.layout);
  w.ub(1, f.shift_jis);
  w.ub(1, f.small_text);
  w.ub(1, f.ansi);
  w.ub(1, wide_offsets);
  w.ub(1, f.wide_codes);
  w.ub(1, f.italic);
  w.ub(1, f.bold);
  w.u8(f.language);
  w.u8(static_cast<std::uint8_t>(f.name.size()));
  for (char c : f.name) w.u8(static_cast<std::uint8_t>(c));
  w.u16(static_cast<std::uint16_t>(n));
  if (n > 0) {
    std::size_t offset = offset_size * (n + 1);
    auto put_offset = [&](std::size_t v) {
      if (wide_offsets)
        w.u32(static_cast<std::uint32_t>(v));
      else
        w.u16(static_cast<std::uint16_t>(v));
    };
    for (const auto& s : shapes) {
      put_offset(offset);
      offset += s.size();
    }
    put_offset(offset);  // CodeTableOffset
    for (const auto& s : shapes) w.append(s);
    for (const auto& g : f.glyphs) {
      if (f.wide_codes)
        w.u16(g.code);
      else
        w.u8(static_cast<std::uint8_t>(g.code));
    }
  }
  if (f.layout) {
    w.s16(f.ascent);
    w.s16(f.descent);
    w.s16(f.leading);
    for (const auto& g : f.glyphs) w.s16(g.advance);
    for (const auto& g : f.glyphs) w.rect(g.shape.edge_bounds());
    w.u16(0);  // KerningCount
  }
  return w.take();
}

void Movie::define_font2(std::uint16_t id, const Font& f) {
  tag(tag::DefineFont2, font_body(id, f));
}

void Movie::define_font3(std::uint16_t id, const Font& f) {
  tag(tag::DefineFont3, font_body(id, f));
}

// ---------------------------------------------------------------------------
// Static text

TextRecord text_line(const Font& font, std::uint16_t font_id, const std::string& s,
                     std::uint16_t height, Rgba colour, std::int16_t x, std::int16_t y, int em) {
  TextRecord r;
  r.font = font_id;
  r.height = height;
  r.colour = colour;
  r.x = x;
  r.y = y;
  for (unsigned char c : s) {
    const int i = font.index_of(c);
    if (i < 0) continue;
    const double advance = font.glyphs[static_cast<std::size_t>(i)].advance;
    r.glyphs.push_back(
        {static_cast<std::uint32_t>(i), static_cast<std::int32_t>(std::lround(advance * height / em))});
  }
  return r;
}

std::int32_t text_width(const Font& font, const std::string& s, std::uint16_t height, int em) {
  std::int32_t width = 0;
  for (const auto& g : text_line(font, 0, s, height, {}, 0, 0, em).glyphs) width += g.advance;
  return width;
}

// TEXTRECORD: type bit, 3 reserved bits, HasFont, HasColor, HasYOffset,
// HasXOffset; then the fields present and the glyph entries, bit packed
// with GlyphBits and AdvanceBits and padded to a byte.
static void write_text_record(Writer& w, const TextRecord& r, bool rgba, unsigned glyph_bits,
                              unsigned advance_bits) {
  w.ub(1, 1);
  w.ub(3, 0);
  w.ub(1, r.font.has_value());
  w.ub(1, r.colour.has_value());
  w.ub(1, r.y.has_value());
  w.ub(1, r.x.has_value());
  if (r.font) w.u16(*r.font);
  if (r.colour) {
    if (rgba)
      w.rgba(*r.colour);
    else
      w.rgb(*r.colour);
  }
  if (r.x) w.s16(*r.x);
  if (r.y) w.s16(*r.y);
  if (r.font) w.u16(r.height);
  w.u8(static_cast<std::uint8_t>(r.glyphs.size()));
  for (const auto& g : r.glyphs) {
    w.ub(glyph_bits, g.index);
    w.sb(advance_bits, g.advance);
  }
  w.align();
}

static Bytes text_body(std::uint16_t id, const Text& t, bool rgba) {
  unsigned glyph_bits = 0, advance_bits = 0;
  for (const auto& r : t.records)
    for (const auto& g : r.glyphs) {
      glyph_bits = std::max(glyph_bits, ubits(g.index));
      advance_bits = std::max(advance_bits, sbits(g.advance));
    }
  Writer w;
  w.u16(id);
  w.rect(t.bounds);
  w.matrix(t.matrix);
  w.u8(static_cast<std::uint8_t>(glyph_bits));
  w.u8(static_cast<std::uint8_t>(advance_bits));
  for (const auto& r : t.records) write_text_record(w, r, rgba, glyph_bits, advance_bits);
  w.u8(0);  // EndOfRecordsFlag
  return w.take();
}

void Movie::define_text(std::uint16_t id, const Text& t) {
  tag(tag::DefineText, text_body(id, t, false));
}

void Movie::define_text2(std::uint16_t id, const Text& t) {
  tag(tag::DefineText2, text_body(id, t, true));
}

// ---------------------------------------------------------------------------
// Edit text

void Movie::define_edit_text(std::uint16_t id, const EditText& e) {
  Writer w;
  w.u16(id);
  w.rect(e.bounds);
  w.ub(1, e.text.has_value());
  w.ub(1, e.word_wrap);
  w.ub(1, e.multiline);
  w.ub(1, e.password);
  w.ub(1, e.read_only);
  w.ub(1, e.colour.has_value());
  w.ub(1, e.max_length.has_value());
  w.ub(1, e.font.has_value());
  w.ub(1, 0);  // HasFontClass
  w.ub(1, e.auto_size);
  w.ub(1, e.layout.has_value());
  w.ub(1, e.no_select);
  w.ub(1, e.border);
  w.ub(1, e.was_static);
  w.ub(1, e.html);
  w.ub(1, e.use_outlines);
  if (e.font) {
    w.u16(*e.font);
    w.u16(e.height);
  }
  if (e.colour) w.rgba(*e.colour);
  if (e.max_length) w.u16(*e.max_length);
  if (e.layout) {
    w.u8(e.layout->align);
    w.u16(e.layout->left_margin);
    w.u16(e.layout->right_margin);
    w.u16(e.layout->indent);
    w.s16(e.layout->leading);
  }
  w.str(e.variable);
  if (e.text) w.str(*e.text);
  tag(tag::DefineEditText, w.take());
}

}  // namespace swfw
