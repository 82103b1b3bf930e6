// Bitmaps through bitmap fills: each kind shows its colours; broken and
// oversized images are refused with a reason.
#include <gtest/gtest.h>

#include "render_support.h"
#include "swf/dictionary.h"

using namespace render_test;

namespace {

// 8×8 pixels: left half one colour, right half another.
swfw::Bitmap halves(swfw::Rgba left, swfw::Rgba right) {
  swfw::Bitmap b;
  b.width = b.height = 8;
  b.pixels.resize(64);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b.at(x, y) = x < 4 ? left : right;
  return b;
}

// An 80×80 pixel stage on white showing bitmap `id` scaled 10× (clipped).
void show_bitmap(swfw::Movie& m, std::uint16_t id) {
  m.background(255, 255, 255);
  swfw::Shape s(3);
  auto f = s.add_fill(swfw::FillStyle::bitmap(id, swfw::Matrix::scale(200, 200), false, false));
  s.set_fill1(f).rect(0, 0, 1600, 1600);
  m.define_shape(100, s);
  m.place(1, 100);
  m.show_frame();
}

TEST(Bitmap, LosslessShowsItsColours) {
  swfw::Movie m(8, 80, 80, 12);
  m.define_bits_lossless(1, halves(swfw::rgb(255, 0, 0), swfw::rgb(0, 0, 255)));
  show_bitmap(m, 1);
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(10, 40), 255, 0, 0)) << str(r.at(10, 40));
  EXPECT_TRUE(near(r.at(70, 40), 0, 0, 255)) << str(r.at(70, 40));
}

TEST(Bitmap, Lossless2AlphaShowsTheBackground) {
  swfw::Movie m(8, 80, 80, 12);
  m.define_bits_lossless2(1, halves(swfw::rgba(0, 255, 0, 255), swfw::rgba(0, 0, 0, 0)));
  show_bitmap(m, 1);
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(10, 40), 0, 255, 0)) << str(r.at(10, 40));
  EXPECT_TRUE(near(r.at(70, 40), 255, 255, 255)) << str(r.at(70, 40));
}

// 3 pixels wide: rows are padded to 4 bytes (the writer adds the padding),
// so a reader that forgets it shifts every row after the first.
TEST(Bitmap, ColourMappedRowsArePadded) {
  swfw::Movie m(8, 80, 80, 12);
  std::vector<swfw::Rgba> palette{swfw::rgb(255, 0, 0), swfw::rgb(0, 255, 0), swfw::rgb(0, 0, 255)};
  std::vector<std::uint8_t> indices;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) indices.push_back(static_cast<std::uint8_t>(x));
  }
  m.define_bits_indexed(1, 3, 3, palette, indices, false);
  m.background(255, 255, 255);
  swfw::Shape s(3);
  auto f = s.add_fill(swfw::FillStyle::bitmap(1, swfw::Matrix::scale(400, 400), false, false));
  s.set_fill1(f).rect(0, 0, 1200, 1200);  // 20 px a bitmap pixel
  m.define_shape(100, s);
  m.place(1, 100);
  m.show_frame();
  auto r = render(m, 80, 80);
  for (int row = 0; row < 3; ++row) {
    int y = 10 + 20 * row;
    EXPECT_TRUE(near(r.at(10, y), 255, 0, 0)) << row << " " << str(r.at(10, y));
    EXPECT_TRUE(near(r.at(30, y), 0, 255, 0)) << row << " " << str(r.at(30, y));
    EXPECT_TRUE(near(r.at(50, y), 0, 0, 255)) << row << " " << str(r.at(50, y));
  }
}

TEST(Bitmap, ColourMappedWithAlphaPalette) {
  swfw::Movie m(8, 80, 80, 12);
  std::vector<swfw::Rgba> palette{swfw::rgba(0, 0, 255, 255), swfw::rgba(0, 0, 0, 0)};
  std::vector<std::uint8_t> indices{0, 1, 1, 0};  // 2×2
  m.define_bits_indexed(1, 2, 2, palette, indices, true);
  m.background(255, 255, 255);
  swfw::Shape s(3);
  auto f = s.add_fill(swfw::FillStyle::bitmap(1, swfw::Matrix::scale(800, 800), false, false));
  s.set_fill1(f).rect(0, 0, 1600, 1600);
  m.define_shape(100, s);
  m.place(1, 100);
  m.show_frame();
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(20, 20), 0, 0, 255)) << str(r.at(20, 20));
  EXPECT_TRUE(near(r.at(60, 20), 255, 255, 255)) << str(r.at(60, 20));
  EXPECT_TRUE(near(r.at(20, 60), 255, 255, 255)) << str(r.at(20, 60));
}

TEST(Bitmap, Jpeg2ShowsItsColours) {
  swfw::Movie m(8, 80, 80, 12);
  m.define_bits_jpeg2(1, halves(swfw::rgb(200, 40, 40), swfw::rgb(40, 40, 200)), 95);
  show_bitmap(m, 1);
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(10, 40), 200, 40, 40, 20)) << str(r.at(10, 40));
  EXPECT_TRUE(near(r.at(70, 40), 40, 40, 200, 20)) << str(r.at(70, 40));
}

TEST(Bitmap, DefineBitsUsesTheMovieJpegTables) {
  swfw::Movie m(8, 80, 80, 12);
  m.define_bits(1, halves(swfw::rgb(40, 200, 40), swfw::rgb(200, 200, 40)), 95);
  show_bitmap(m, 1);
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(10, 40), 40, 200, 40, 20)) << str(r.at(10, 40));
  EXPECT_TRUE(near(r.at(70, 40), 200, 200, 40, 20)) << str(r.at(70, 40));
}

TEST(Bitmap, Jpeg3AlphaPlaneShowsTheBackground) {
  swfw::Movie m(8, 80, 80, 12);
  m.define_bits_jpeg3(1, halves(swfw::rgba(200, 40, 40, 255), swfw::rgba(40, 40, 200, 0)), 95);
  show_bitmap(m, 1);
  auto r = render(m, 80, 80);
  EXPECT_TRUE(near(r.at(10, 40), 200, 40, 40, 20)) << str(r.at(10, 40));
  EXPECT_TRUE(near(r.at(70, 40), 255, 255, 255, 8)) << str(r.at(70, 40));
}

// Tag bodies built by hand for the readers' refusals.
std::vector<std::uint8_t> body(std::initializer_list<std::uint8_t> bytes) { return bytes; }

TEST(Bitmap, BadDataIsARefusalWithAReason) {
  using strandel::swf::Diagnostic;
  using strandel::swf::DiagnosticKind;
  strandel::swf::Dictionary d;
  std::vector<Diagnostic> log;
  d.on_log([&log](const Diagnostic& p) { log.push_back(p); });
  // DefineBitsJPEG2 with garbage after the id.
  EXPECT_FALSE(d.define(21, body({1, 0, 0xFF, 0xD8, 0xFF, 0x00, 0x12}), 100));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].tag, 21);
  EXPECT_EQ(log[0].offset, 100u);
  EXPECT_EQ(d.bitmap(1), nullptr);
  // DefineBitsLossless claiming 30000×30000 pixels.
  EXPECT_FALSE(d.define(20, body({2, 0, 5, 0x30, 0x75, 0x30, 0x75, 0x78, 0x9C})));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].kind, DiagnosticKind::OverLimit) << log[1].message();
  // DefineBitsLossless whose zlib data stops short.
  EXPECT_FALSE(d.define(20, body({3, 0, 5, 4, 0, 4, 0, 0x78, 0x9C})));
  EXPECT_EQ(d.bitmap(3), nullptr);
  // A GIF in DefineBitsJPEG2 that stops after its signature.
  EXPECT_FALSE(d.define(21, body({4, 0, 'G', 'I', 'F', '8', '9', 'a'})));
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[3].kind, DiagnosticKind::Malformed) << log[3].message();
}

TEST(Bitmap, ErroneousHeaderBeforeJpegIsStripped) {
  swfw::Bitmap b = halves(swfw::rgb(0, 0, 0), swfw::rgb(255, 255, 255));
  auto jpeg = swfw::jpeg_encode(b, 90);
  std::vector<std::uint8_t> tag{7, 0, 0xFF, 0xD9, 0xFF, 0xD8};
  tag.insert(tag.end(), jpeg.begin(), jpeg.end());
  strandel::swf::Dictionary d;
  EXPECT_TRUE(d.define(21, tag));
  ASSERT_NE(d.bitmap(7), nullptr);
  EXPECT_EQ(d.bitmap(7)->width, 8);
}

}  // namespace
