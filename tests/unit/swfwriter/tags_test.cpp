// Display-list, edge, text, font and bitmap tags against hand-packed bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include "swfwriter/swfwriter.h"

namespace {

using swfw::Bytes;

Bytes tags_of(void (*build)(swfw::Movie&)) {
  swfw::Movie m(8, 10, 10, 12);
  build(m);
  return m.tags();
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
               b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

TEST(DisplayList, PlaceObjectFlagsFollowTheFieldsPresent) {
  EXPECT_EQ(tags_of([](swfw::Movie& m) {
              m.place(2, 5, swfw::Matrix::translate(20, -40), {}, "a");
            }),
            (Bytes{0x8A, 0x06, 0x26, 2, 0, 5, 0, 0x0E, 0x52, 0xC0, 'a', 0}));
  EXPECT_EQ(tags_of([](swfw::Movie& m) { m.move(3, {}); }),
            (Bytes{0x84, 0x06, 0x05, 3, 0, 0x00}));
  EXPECT_EQ(tags_of([](swfw::Movie& m) {
              swfw::Place p;
              p.character = 2;
              p.blend_mode = 3;
              p.cache_as_bitmap = true;
              m.place3(p);
            }),
            (Bytes{0x88, 0x11, 0x02, 0x06, 1, 0, 2, 0, 3, 1}));
  EXPECT_EQ(tags_of([](swfw::Movie& m) { m.remove(9); }), (Bytes{0x02, 0x07, 9, 0}));
}

TEST(Edges, CurvesAndLongLinesPackAsHandWorked) {
  swfw::Shape curve;
  curve.move_to(0, 0).curve_to(10, 0, 10, 10);
  // Bit counts, move to 0,0 with 0 bits, curve (10,0)(0,10) in 5 bits, end.
  EXPECT_EQ(curve.glyph_shape(), (Bytes{0x10, 0x04, 0x11, 0xA8, 0x00, 0x50, 0x00}));

  // A 100000-twip line is past 17 signed bits: two 50000-twip edges.
  swfw::Shape long_line;
  long_line.move_to(0, 0).line_to(100000, 0);
  EXPECT_EQ(long_line.glyph_shape(),
            (Bytes{0x10, 0x04, 0x1F, 0x8C, 0x35, 0x0F, 0xC6, 0x1A, 0x80, 0x00}));
  EXPECT_EQ(long_line.edge_bounds(), (swfw::Rect{0, 100000, 0, 0}));
}

TEST(Edges, BoundsGrowByHalfTheWidestLine) {
  swfw::Shape s(3);
  s.set_line(s.add_line(swfw::LineStyle::solid(40, swfw::rgb(0, 0, 0))));
  s.move_to(100, 100).curve_to(300, 0, 200, 200);
  EXPECT_EQ(s.edge_bounds(), (swfw::Rect{100, 300, 0, 200}));
  EXPECT_EQ(s.bounds(), (swfw::Rect{80, 320, -20, 220}));
}

TEST(Text, DefineText2RecordCarriesStyleAndBitPackedGlyphs) {
  swfw::Movie m(8, 10, 10, 12);
  swfw::Text t;
  swfw::TextRecord r;
  r.font = 1;
  r.colour = swfw::rgba(1, 2, 3, 4);
  r.x = 10;
  r.y = 20;
  r.glyphs = {{1, 100}, {2, -5}};
  t.records.push_back(r);
  m.define_text2(4, t);
  const Bytes expected_body = {4, 0, 0x00, 0x00, 2, 8,           // id, rect, matrix, bits
                               0x8F, 1, 0, 1, 2, 3, 4, 10, 0, 20, 0,  // style
                               240, 0, 2, 0x59, 0x2F, 0xB0,         // height, glyphs
                               0};                                  // end of records
  EXPECT_EQ(slice(m.tags(), 2, m.tags().size() - 2), expected_body);
}

TEST(Text, EditTextWritesOnlyTheFlaggedFields) {
  swfw::Movie m(8, 10, 10, 12);
  swfw::EditText e;
  e.font = 1;
  e.colour = swfw::rgb(9, 8, 7);
  e.text = "hi";
  m.define_edit_text(6, e);
  EXPECT_EQ(slice(m.tags(), 2, m.tags().size() - 2),
            (Bytes{6, 0, 0x00, 0x8D, 0x00, 1, 0, 240, 0, 9, 8, 7, 255, 0, 'h', 'i', 0}));
}

TEST(Fonts, OffsetsCountFromTheOffsetTableAndCodesFollowTheShapes) {
  swfw::Font f;
  f.name = "x";
  f.layout = false;
  swfw::Glyph a, b;
  a.code = 'A';
  a.shape.set_fill1(1).rect(0, 0, 10, 10);
  b.code = 0x263A;
  f.glyphs = {a, b};
  swfw::Movie m(8, 10, 10, 12);
  m.define_font3(1, f);
  const Bytes& t = m.tags();
  // Body: id, flags (WideCodes), language, name length, "x", glyph count.
  const std::size_t body = t.size() > 64 ? 6 : 2;
  EXPECT_EQ(slice(t, body, 7), (Bytes{1, 0, 0x04, 0, 1, 'x', 2}));
  const std::size_t table = body + 8;
  const Bytes shape_a = a.shape.glyph_shape(), shape_b = b.shape.glyph_shape();
  const std::size_t first = 6, second = first + shape_a.size(), codes = second + shape_b.size();
  EXPECT_EQ(slice(t, table, 6),
            (Bytes{static_cast<std::uint8_t>(first), 0, static_cast<std::uint8_t>(second), 0,
                   static_cast<std::uint8_t>(codes), 0}));
  EXPECT_EQ(slice(t, table + first, shape_a.size()), shape_a);
  EXPECT_EQ(slice(t, table + codes, 4), (Bytes{'A', 0, 0x3A, 0x26}));
  EXPECT_EQ(t.size(), table + codes + 4);
}

TEST(Fonts, BlockyFontSpellsLettersDigitsAndSpace) {
  const swfw::Font f = swfw::blocky_font();
  for (char c : std::string("AZaz09 ")) EXPECT_GE(f.index_of(static_cast<std::uint8_t>(c)), 0) << c;
  const swfw::Font big = swfw::blocky_font(20480);
  const auto& h = big.glyphs[static_cast<std::size_t>(big.index_of('H'))];
  EXPECT_EQ(h.shape.edge_bounds(), (swfw::Rect{0, 10000, -14000, 0}));  // 5×7 cells of 2000
  EXPECT_EQ(swfw::text_width(f, "AA", 1024), 1200);
}

Bytes inflate(const Bytes& z, std::size_t size) {
  Bytes out(size);
  uLongf n = size;
  if (uncompress(out.data(), &n, z.data(), z.size()) != Z_OK) return {};
  out.resize(n);
  return out;
}

TEST(Bitmaps, IndexedRowsArePaddedToFourBytes) {
  swfw::Movie m(8, 10, 10, 12);
  m.define_bits_indexed(3, 3, 2, {swfw::rgb(1, 2, 3), swfw::rgb(4, 5, 6)}, {0, 1, 1, 1, 0, 0},
                        false);
  const Bytes& t = m.tags();
  const std::size_t body = (t[0] & 0x3F) == 0x3F ? 6 : 2;
  EXPECT_EQ(slice(t, body, 8), (Bytes{3, 0, 3, 3, 0, 2, 0, 1}));  // id, format, w, h, size-1
  EXPECT_EQ(inflate(slice(t, body + 8, t.size() - body - 8), 64),
            (Bytes{1, 2, 3, 4, 5, 6, 0, 1, 1, 0, 1, 0, 0, 0}));
}

TEST(Bitmaps, LosslessTwoPremultipliesArgb) {
  swfw::Movie m(8, 10, 10, 12);
  m.define_bits_lossless2(2, {1, 1, {swfw::rgba(255, 100, 0, 128)}});
  const Bytes& t = m.tags();
  EXPECT_EQ(slice(t, 2, 7), (Bytes{2, 0, 5, 1, 0, 1, 0}));
  EXPECT_EQ(inflate(slice(t, 9, t.size() - 9), 16), (Bytes{128, 128, 50, 0}));
}

TEST(Bitmaps, Jpeg3AlphaOffsetIsTheJpegLength) {
  swfw::Bitmap b{4, 4, std::vector<swfw::Rgba>(16, swfw::rgba(10, 20, 30, 77))};
  swfw::Movie m(8, 10, 10, 12);
  m.define_bits_jpeg3(5, b);
  const Bytes& t = m.tags();
  const std::size_t body = 6;  // a JPEG never fits a short tag
  const std::uint32_t offset = t[body + 2] | t[body + 3] << 8 | t[body + 4] << 16;
  EXPECT_EQ(slice(t, body + 6, 2), (Bytes{0xFF, 0xD8}));
  EXPECT_EQ(slice(t, body + 6 + offset - 2, 2), (Bytes{0xFF, 0xD9}));
  EXPECT_EQ(inflate(slice(t, body + 6 + offset, t.size() - body - 6 - offset), 32),
            Bytes(16, 77));
}

}  // namespace
