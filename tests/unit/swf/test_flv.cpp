// Reading video files that scripts play: the tags a stream needs (pictures
// with their codec and key frames, script data), and damaged files whose
// lengths lie, which must end the reading rather than read past the bytes.
#include <gtest/gtest.h>

#include <vector>

#include "swf/flv.h"

namespace strandel::swf {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put_big_endian(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes header() {
  Bytes out{'F', 'L', 'V', 1, 1};
  put_big_endian(out, 9, 4);
  put_big_endian(out, 0, 4);  // the first back pointer
  return out;
}

void add_tag(Bytes& out, std::uint8_t type, std::uint32_t time_ms, const Bytes& body) {
  out.push_back(type);
  put_big_endian(out, static_cast<std::uint32_t>(body.size()), 3);
  put_big_endian(out, time_ms & 0xffffff, 3);
  out.push_back(static_cast<std::uint8_t>(time_ms >> 24));
  put_big_endian(out, 0, 3);  // stream id
  out.insert(out.end(), body.begin(), body.end());
  put_big_endian(out, static_cast<std::uint32_t>(body.size() + 11), 4);
}

TEST(Flv, PicturesKeepTheirCodecKeyFramesAndTimes) {
  Bytes file = header();
  add_tag(file, 9, 0, {0x12, 0xaa, 0xbb});     // key frame, H.263
  add_tag(file, 8, 10, {0x2f, 0x00});          // sound: passed over
  add_tag(file, 9, 67, {0x22, 0xcc});          // inter frame
  add_tag(file, 9, 100, {0x14, 0x00, 0xdd});   // VP6: the crop byte is not the packet's
  add_tag(file, 9, 133, {0x52, 0x01});         // a command, not a picture
  add_tag(file, 9, 0x01000010, {0x13, 0xee});  // extended time stamp
  auto flv = read_flv(file);
  ASSERT_TRUE(flv);
  ASSERT_EQ(flv->video.size(), 4u);
  EXPECT_TRUE(flv->video[0].key);
  EXPECT_EQ(flv->video[0].codec, 2);
  EXPECT_EQ(Bytes(flv->video[0].packet.begin(), flv->video[0].packet.end()), (Bytes{0xaa, 0xbb}));
  EXPECT_FALSE(flv->video[1].key);
  EXPECT_EQ(flv->video[1].time_ms, 67u);
  EXPECT_EQ(Bytes(flv->video[2].packet.begin(), flv->video[2].packet.end()), (Bytes{0xdd}));
  EXPECT_EQ(flv->video[3].time_ms, 0x01000010u);
  EXPECT_EQ(flv->last_time_ms, 0x01000010u);
  EXPECT_FALSE(flv->truncated);
}

TEST(Flv, DamagedFilesEndTheReading) {
  EXPECT_FALSE(read_flv(Bytes{'F', 'W', 'S', 1}));
  Bytes lying_offset = header();
  lying_offset[8] = 0xff;  // the tags would start past the end
  EXPECT_FALSE(read_flv(lying_offset));

  Bytes file = header();
  add_tag(file, 18, 0, {0x02, 0x00, 0x01, 'x'});
  add_tag(file, 9, 40, {0x12, 0x01, 0x02, 0x03});
  for (std::size_t cut = header().size(); cut < file.size() - 4;
       ++cut) {  // not the last back pointer
    Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    auto flv = read_flv(part);
    ASSERT_TRUE(flv);
    EXPECT_LE(flv->video.size() + flv->scripts.size(), 1u);
  }
  Bytes huge = header();
  huge.insert(huge.end(), {9, 0xff, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0, 0x12});
  auto flv = read_flv(huge);
  ASSERT_TRUE(flv);
  EXPECT_TRUE(flv->video.empty());
  EXPECT_TRUE(flv->truncated);
}

}  // namespace
}  // namespace strandel::swf
