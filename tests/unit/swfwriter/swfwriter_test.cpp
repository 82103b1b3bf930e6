// The writer's key records against bytes worked out by hand, and the
// containers read back with zlib and liblzma.
#include "swfwriter/swfwriter.h"

#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

namespace {

using swfw::Bytes;

Bytes slice(const Bytes& b, std::size_t from, std::size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
               b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

std::uint32_t u32_at(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(Records, RectPacksFourFieldsWithTheWidestBitCount) {
  // 550×400 pixels: the header bytes seen at the start of countless movies.
  EXPECT_EQ(swfw::rect_bytes({0, 11000, 0, 8000}),
            (Bytes{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00}));
  EXPECT_EQ(swfw::rect_bytes({0, 12800, 0, 9600}),
            (Bytes{0x78, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xC0, 0x00}));
  // Negative values need their sign bit: -1 fits in 1 bit; 9 bits take 2 bytes.
  EXPECT_EQ(swfw::rect_bytes({-1, 0, 0, 0}), (Bytes{0x0C, 0x00}));
  EXPECT_EQ(swfw::rect_bytes({}), (Bytes{0x00}));
}

TEST(Records, MatrixLeavesOutIdentityPartsAndPacksTheRest) {
  // HasScale 0, HasRotate 0, NTranslateBits 7, 20, -40.
  EXPECT_EQ(swfw::matrix_bytes(swfw::Matrix::translate(20, -40)), (Bytes{0x0E, 0x52, 0xC0}));
  EXPECT_EQ(swfw::matrix_bytes({}), (Bytes{0x00}));
  // HasScale 1, NScaleBits 19, 2.0 and 0.5 as 16.16, no rotation, no translation.
  EXPECT_EQ(swfw::matrix_bytes(swfw::Matrix::scale(2.0, 0.5)),
            (Bytes{0xCD, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}));
}

TEST(Records, CxformWritesOnlyTheHalvesInUse) {
  EXPECT_EQ(swfw::cxform_bytes({}, true), (Bytes{0x00}));
  // Add terms only, Nbits 9: 255, 0, 0, -256 (alpha).
  swfw::Cxform c;
  c.ra = 255;
  c.aa = -256;
  // 1 0 1001, then 011111111 000000000 000000000 100000000.
  EXPECT_EQ(swfw::cxform_bytes(c, true), (Bytes{0xA5, 0xFE, 0x00, 0x00, 0x40, 0x00}));
  // Without alpha the -256 is dropped and 255 needs 9 bits still.
  EXPECT_EQ(swfw::cxform_bytes(c, false), (Bytes{0xA5, 0xFE, 0x00, 0x00, 0x00}));
}

TEST(Records, TagHeadersAreShortBelow63BytesAndLongOtherwise) {
  EXPECT_EQ(swfw::tag_bytes(swfw::tag::ShowFrame, {}), (Bytes{0x40, 0x00}));
  EXPECT_EQ(swfw::tag_bytes(swfw::tag::SetBackgroundColor, {1, 2, 3}),
            (Bytes{0x43, 0x02, 1, 2, 3}));
  const Bytes b62 = swfw::tag_bytes(swfw::tag::DefineShape, Bytes(62));
  EXPECT_EQ(slice(b62, 0, 2), (Bytes{0xBE, 0x00}));
  EXPECT_EQ(b62.size(), 64u);
  const Bytes b63 = swfw::tag_bytes(swfw::tag::DefineShape, Bytes(63));
  EXPECT_EQ(slice(b63, 0, 6), (Bytes{0xBF, 0x00, 63, 0, 0, 0}));
  EXPECT_EQ(b63.size(), 69u);
  EXPECT_EQ(slice(swfw::tag_bytes(swfw::tag::ShowFrame, {}, true), 0, 6),
            (Bytes{0x7F, 0x00, 0, 0, 0, 0}));
}

TEST(Shapes, RectangleRecordsMatchTheHandPackedBits) {
  swfw::Movie m(6, 10, 10, 12);
  m.define_shape(7, swfw::rect_shape(200, 100, swfw::rgb(255, 0, 0), 1));
  const Bytes& t = m.tags();
  // 2 id + 6 rect + 5 fills + 1 lines + 1 bits + 11 records = 26: a short header.
  ASSERT_EQ(t.size(), 2u + 26u);
  EXPECT_EQ(slice(t, 0, 2), (Bytes{0x9A, 0x00}));  // DefineShape (2) << 6 | 26
  EXPECT_EQ(slice(t, 2, 2), (Bytes{7, 0}));
  EXPECT_EQ(slice(t, 4, 6), swfw::rect_bytes({0, 200, 0, 100}));
  EXPECT_EQ(slice(t, 10, 7), (Bytes{1, 0x00, 255, 0, 0, 0, 0x10}));
  // StyleChange (fill1 = 1, move to 0,0), right 200, down 100, left 200,
  // up 100, end: worked out bit by bit.
  EXPECT_EQ(slice(t, 17, 11),
            (Bytes{0x14, 0x1D, 0xC6, 0x46, 0xCB, 0x26, 0xE4, 0xE3, 0x66, 0x70, 0x00}));
}

TEST(Actions, PushAndUrlRecordsHaveTheirLengths) {
  swfw::Actions a;
  a.push_number(1.5).fscommand("quit", "");
  const Bytes expected_push = {0x96, 9, 0, 6, 0x00, 0x00, 0xF8, 0x3F, 0, 0, 0, 0};
  EXPECT_EQ(slice(a.bytes(), 0, 12), expected_push);
  const std::string url = "FSCommand:quit";
  Bytes expected_url = {0x83, static_cast<std::uint8_t>(url.size() + 2), 0};
  expected_url.insert(expected_url.end(), url.begin(), url.end());
  expected_url.push_back(0);
  expected_url.push_back(0);
  EXPECT_EQ(slice(a.bytes(), 12, expected_url.size()), expected_url);
  EXPECT_EQ(a.ended().back(), 0);
  EXPECT_EQ(a.ended().size(), a.size() + 1);
  EXPECT_EQ(swfw::Actions().stop().end().ended(), (Bytes{0x07, 0x00}));
}

TEST(Buttons, ActionOffsetPointsAtTheFirstConditionRecord) {
  swfw::Movie m(6, 10, 10, 12);
  swfw::Button b;
  b.records.push_back({swfw::ButtonRecord::Up | swfw::ButtonRecord::HitTest, 1, 1, {}, {}});
  b.actions.push_back({swfw::cond::press, swfw::Actions().stop()});
  b.actions.push_back({swfw::cond::release, swfw::Actions().fscommand("quit", "")});
  m.define_button2(3, b);
  const Bytes& t = m.tags();
  const std::size_t body = 2, offset_field = body + 3;
  const std::size_t first = offset_field + (t[offset_field] | t[offset_field + 1] << 8);
  // Record: flags, id, depth, matrix (1 byte), cxform (1 byte) = 7 bytes, then end flag.
  EXPECT_EQ(first, offset_field + 2 + 7 + 1);
  EXPECT_EQ(t[first - 1], 0);  // CharacterEndFlag
  const std::size_t next = first + (t[first] | t[first + 1] << 8);
  EXPECT_EQ(slice(t, first, 6), (Bytes{6, 0, 0x04, 0x00, 0x07, 0x00}));
  EXPECT_EQ(slice(t, next, 4), (Bytes{0, 0, 0x08, 0x00}));  // last: size 0, OverDownToOverUp
}

swfw::Movie small_movie() {
  swfw::Movie m(10, 640, 480, 24.5);
  m.background(1, 2, 3);
  m.define_shape(1, swfw::rect_shape(2000, 2000, swfw::rgb(0, 128, 255)));
  m.place(1, 1, swfw::Matrix::translate(100, 100));
  m.show_frame();
  m.show_frame();
  return m;
}

TEST(Containers, UncompressedHeaderCarriesLengthRectRateAndFrames) {
  const Bytes f = small_movie().bytes(swfw::Container::FWS);
  EXPECT_EQ(slice(f, 0, 4), (Bytes{'F', 'W', 'S', 10}));
  EXPECT_EQ(u32_at(f, 4), f.size());
  EXPECT_EQ(slice(f, 8, 9), swfw::rect_bytes({0, 12800, 0, 9600}));
  EXPECT_EQ(slice(f, 17, 4), (Bytes{0x80, 24, 2, 0}));  // 24.5 fps as 8.8, 2 frames
  EXPECT_EQ(slice(f, f.size() - 2, 2), (Bytes{0, 0}));  // End
}

TEST(Containers, ZlibBodyInflatesToTheUncompressedMovie) {
  const swfw::Movie m = small_movie();
  const Bytes f = m.bytes(swfw::Container::FWS), c = m.bytes(swfw::Container::CWS);
  EXPECT_EQ(slice(c, 0, 4), (Bytes{'C', 'W', 'S', 10}));
  EXPECT_EQ(u32_at(c, 4), f.size());
  Bytes out(f.size() - 8);
  uLongf out_size = out.size();
  ASSERT_EQ(uncompress(out.data(), &out_size, c.data() + 8, c.size() - 8), Z_OK);
  EXPECT_EQ(out, slice(f, 8, f.size() - 8));
}

TEST(Containers, LzmaHeaderHasBothLengthsAndTheStreamDecodes) {
  const swfw::Movie m = small_movie();
  const Bytes f = m.bytes(swfw::Container::FWS), z = m.bytes(swfw::Container::ZWS);
  EXPECT_EQ(slice(z, 0, 4), (Bytes{'Z', 'W', 'S', 10}));
  EXPECT_EQ(u32_at(z, 4), f.size());
  EXPECT_EQ(u32_at(z, 8), z.size() - 17);
  EXPECT_EQ(z[12], 0x5D);            // lc 3, lp 0, pb 2
  EXPECT_EQ(u32_at(z, 13), 1u << 23);  // 8 MiB dictionary
  // Rebuild the LZMA-alone header (properties, unknown size) and decode.
  Bytes alone = slice(z, 12, 5);
  alone.insert(alone.end(), 8, 0xFF);
  alone.insert(alone.end(), z.begin() + 17, z.end());
  lzma_stream s = LZMA_STREAM_INIT;
  ASSERT_EQ(lzma_alone_decoder(&s, UINT64_MAX), LZMA_OK);
  Bytes out(f.size());
  s.next_in = alone.data();
  s.avail_in = alone.size();
  s.next_out = out.data();
  s.avail_out = out.size();
  EXPECT_EQ(lzma_code(&s, LZMA_FINISH), LZMA_STREAM_END);
  out.resize(s.total_out);
  lzma_end(&s);
  EXPECT_EQ(out, slice(f, 8, f.size() - 8));
}

TEST(Bitmaps, JpegSplitKeepsTablesApartFromTheImage) {
  swfw::Bitmap b{8, 8, std::vector<swfw::Rgba>(64, swfw::rgb(200, 100, 50))};
  const Bytes jpeg = swfw::jpeg_encode(b);
  auto [tables, image] = swfw::jpeg_split(jpeg);
  EXPECT_EQ(slice(tables, 0, 4), (Bytes{0xFF, 0xD8, 0xFF, 0xDB}));
  EXPECT_EQ(slice(tables, tables.size() - 2, 2), (Bytes{0xFF, 0xD9}));
  EXPECT_EQ(slice(image, 0, 2), (Bytes{0xFF, 0xD8}));
  EXPECT_EQ(slice(image, image.size() - 2, 2), (Bytes{0xFF, 0xD9}));
  // Nothing lost or duplicated: the two parts hold the original minus the
  // extra SOI and EOI markers.
  EXPECT_EQ(tables.size() + image.size(), jpeg.size() + 4);
}

}  // namespace
