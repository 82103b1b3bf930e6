// Reading loaded MP3 files: the tag versions and text encodings a script
// sees through Sound.id3, the length from the frame headers, and damaged
// files that must stop the reading, not the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/mp3_file.h"

namespace strandel::swf {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put_syncsafe(Bytes& out, std::uint32_t v) {
  for (int shift : {21, 14, 7, 0}) out.push_back(static_cast<std::uint8_t>((v >> shift) & 0x7f));
}

void put_big_endian(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A tag of the given major version around already written frames.
Bytes tag(std::uint8_t major, const Bytes& frames) {
  Bytes out{'I', 'D', '3', major, 0, 0};
  put_syncsafe(out, static_cast<std::uint32_t>(frames.size()));
  out.insert(out.end(), frames.begin(), frames.end());
  return out;
}

void frame(Bytes& out, std::uint8_t major, const std::string& id, const Bytes& body) {
  out.insert(out.end(), id.begin(), id.end());
  if (major == 2)
    put_big_endian(out, static_cast<std::uint32_t>(body.size()), 3);
  else if (major == 4)
    put_syncsafe(out, static_cast<std::uint32_t>(body.size()));
  else
    put_big_endian(out, static_cast<std::uint32_t>(body.size()), 4);
  if (major != 2) out.insert(out.end(), {0, 0});
  out.insert(out.end(), body.begin(), body.end());
}

// `count` silent-sized MPEG audio frames: MPEG-1 at 44.1 kHz, 128 kbit/s
// (417 bytes), or MPEG-2 at 22.05 kHz, 64 kbit/s (208 bytes).
Bytes audio_frames(int count, bool mpeg1) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    Bytes f(mpeg1 ? 417 : 208, 0);
    f[0] = 0xff;
    f[1] = mpeg1 ? 0xfb : 0xf3;
    f[2] = mpeg1 ? 0x90 : 0x80;
    out.insert(out.end(), f.begin(), f.end());
  }
  return out;
}

TEST(Mp3File, LengthComesFromTheFrameHeadersPastTheTagAndJunk) {
  Bytes file = tag(3, {});
  Bytes mpeg1 = audio_frames(10, true);
  file.insert(file.end(), {1, 2, 3});  // junk before the first frame
  file.insert(file.end(), mpeg1.begin(), mpeg1.end());
  Mp3File read = read_mp3_file(file);
  EXPECT_TRUE(read.valid);
  EXPECT_EQ(read.rate, 44100u);
  EXPECT_EQ(read.samples, 11520u);

  Mp3File half = read_mp3_file(audio_frames(4, false));
  EXPECT_EQ(half.rate, 22050u);
  EXPECT_EQ(half.samples, 4u * 576);
  EXPECT_FALSE(half.has_id3);
}

TEST(Mp3File, TagVersionsAndTextEncodings) {
  Bytes v4;
  frame(v4, 4, "TIT2", {3, 'n', 0xc3, 0xa9});  // UTF-8
  frame(v4, 4, "TPE1", {2, 0, 'A', 0, 'b'});   // UTF-16, big-endian
  frame(v4, 4, "COMM",
        {1, 'e', 'n', 'g', 0xff, 0xfe, 0, 0,  // no description
         'h', 0, 'i', 0});
  frame(v4, 4, "WOAR", {'x'});  // not text: left out
  Mp3File read = read_mp3_file(tag(4, v4));
  ASSERT_EQ(read.id3.size(), 3u);
  EXPECT_EQ(read.id3[0].text, "n\xc3\xa9");
  EXPECT_EQ(read.id3[1].text, "Ab");
  EXPECT_EQ(read.id3[2].id, "COMM");
  EXPECT_EQ(read.id3[2].text, "hi");
  EXPECT_FALSE(read.valid);  // a tag and no audio

  Bytes v2;
  frame(v2, 2, "TT2", {0, 0xe9});  // Latin-1
  Mp3File old = read_mp3_file(tag(2, v2));
  ASSERT_EQ(old.id3.size(), 1u);
  EXPECT_EQ(old.id3[0].id, "TT2");
  EXPECT_EQ(old.id3[0].text, "\xc3\xa9");
}

TEST(Mp3File, DamagedTagsKeepWhatCameBefore) {
  Bytes frames;
  frame(frames, 3, "TALB", {0, 'o', 'k'});
  frames.insert(frames.end(), {'T', 'I', 'T', '2', 0x7f, 0xff, 0xff, 0xff, 0, 0, 0});
  Mp3File read = read_mp3_file(tag(3, frames));
  ASSERT_EQ(read.id3.size(), 1u);
  EXPECT_EQ(read.id3[0].text, "ok");

  // A header claiming more than the file holds, and every cut of a file.
  Bytes whole = tag(3, frames);
  Bytes audio = audio_frames(2, true);
  whole.insert(whole.end(), audio.begin(), audio.end());
  for (std::size_t cut = 0; cut <= whole.size(); cut += 7) {
    Mp3File part = read_mp3_file(std::span(whole).first(cut));
    EXPECT_LE(part.samples, 2u * 1152);
  }
  Bytes odd_utf16;
  frame(odd_utf16, 3, "TIT2", {1, 0xff, 0xfe, 'a'});  // half a code unit
  EXPECT_EQ(read_mp3_file(tag(3, odd_utf16)).id3.at(0).text, "");
}

}  // namespace
}  // namespace strandel::swf
