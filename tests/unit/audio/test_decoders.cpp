// Each decoder against samples whose values are known: written by the test
// movie writer's encoders, computed by hand, or (for MP3) what libmpg123
// itself gives for the same bytes.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>

#include "audio/decoder.h"
#include "swfwriter/swfwriter.h"

using namespace strandel;

namespace {

swf::SoundFormat format(swf::SoundCodec codec, double rate, bool sixteen, bool stereo) {
  return {codec, rate, sixteen, stereo};
}

std::vector<std::int16_t> decode_all(audio::Decoder& d) {
  std::vector<std::int16_t> out;
  for (int i = 0; i < 100000 && d.decode(out, 1000) > 0; ++i) {
  }
  return out;
}

std::vector<std::int16_t> decode_all(const swf::SoundFormat& f, const swfw::Bytes& bytes) {
  std::string why;
  auto d = audio::make_decoder(f, {std::span(bytes)}, &why);
  EXPECT_TRUE(d) << why;
  return d ? decode_all(*d) : std::vector<std::int16_t>{};
}

double max_error(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  double worst = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    worst = std::max(worst, std::abs(double(a[i]) - b[i]));
  return worst;
}

}  // namespace

TEST(Decoders, PcmLittleEndianAndEightBit) {
  swfw::Bytes le = {0x01, 0x80, 0xFF, 0x7F, 0x34};  // the odd byte is a cut-off sample
  EXPECT_EQ(decode_all(format(swf::SoundCodec::LittleEndianPcm, 44100, true, false), le),
            (std::vector<std::int16_t>{-32767, 32767}));
  swfw::Bytes eight = {0x80, 0x00, 0xFF, 0x81};  // unsigned, stereo: two frames
  EXPECT_EQ(decode_all(format(swf::SoundCodec::NativePcm, 5512.5, false, true), eight),
            (std::vector<std::int16_t>{0, -32768, 127 << 8, 1 << 8}));
}

TEST(Decoders, PcmChunksPlayOneAfterTheOther) {
  swfw::Bytes a = {0x10, 0x00}, b = {0x20, 0x00, 0x30};
  auto d = audio::make_decoder(format(swf::SoundCodec::LittleEndianPcm, 22050, true, false),
                               {std::span(a), std::span(b)}, nullptr);
  EXPECT_EQ(decode_all(*d), (std::vector<std::int16_t>{0x10, 0x20}));
}

TEST(Decoders, G711KnownValues) {
  // A-law 0xD5 and mu-law 0xFF are the smallest positive steps; 0x55/0x7F negative.
  EXPECT_EQ(decode_all(format(swf::SoundCodec::ALaw, 8000, false, false), {0xD5, 0x55, 0xAA}),
            (std::vector<std::int16_t>{8, -8, 32256}));
  EXPECT_EQ(decode_all(format(swf::SoundCodec::MuLaw, 8000, false, false), {0xFF, 0x7F, 0x80}),
            (std::vector<std::int16_t>{0, 0, 32124}));
}

// Two bits a sample, by hand: code size field 0, first sample 100 with step
// index 0 (step 7), then codes 01 (+7 + 3 = 110, index 2), 11 (-(9 + 4) = 97,
// index 4), 00 (+(11 >> 1) = 102, index 3), 00 (+(10 >> 1) = 107): 32 bits,
// so no padding bits read as one more code.
TEST(Decoders, AdpcmTwoBitsByHand) {
  swfw::Writer w;
  w.ub(2, 0);
  w.sb(16, 100);
  w.ub(6, 0);
  w.ub(2, 1);
  w.ub(2, 3);
  w.ub(2, 0);
  w.ub(2, 0);
  EXPECT_EQ(decode_all(format(swf::SoundCodec::Adpcm, 11025, true, false), w.take()),
            (std::vector<std::int16_t>{100, 110, 97, 102, 107}));
}

TEST(Decoders, AdpcmEveryCodeSizeFollowsATone) {
  for (unsigned channels : {1u, 2u}) {
    auto tone = swfw::tone(440, 0.5, 22050, 0.5, channels);  // several packets
    for (unsigned bits = 2; bits <= 5; ++bits) {
      auto out = decode_all(format(swf::SoundCodec::Adpcm, 22050, true, channels == 2),
                            swfw::adpcm_encode(tone, channels, bits));
      // The last byte's padding may read as one more frame.
      ASSERT_GE(out.size(), tone.size()) << bits << " bits";
      ASSERT_LE(out.size(), tone.size() + channels) << bits << " bits";
      // Once the step has grown to the tone's slope (a few dozen frames), two
      // bits follow it roughly and five bits closely.
      std::vector<std::int16_t> settled_out(out.begin() + 200, out.begin() + tone.size());
      std::vector<std::int16_t> settled_tone(tone.begin() + 200, tone.end());
      EXPECT_LT(max_error(settled_out, settled_tone), 32768 >> bits) << bits << " bits";
    }
  }
}

TEST(Decoders, Mp3GivesWhatLibmpg123Gives) {
  auto tone = swfw::tone(1000, 0.5, 44100, 0.5, 2);
  swfw::Bytes mp3 = swfw::mp3_encode(tone, 2, 44100);
  ASSERT_FALSE(mp3.empty());
  auto ours = decode_all(format(swf::SoundCodec::Mp3, 44100, true, true), mp3);

  mpg123_init();
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  mpg123_format_none(h);
  mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(h);
  mpg123_feed(h, mp3.data(), mp3.size());
  std::vector<std::int16_t> theirs;
  for (int status = MPG123_OK; status == MPG123_OK || status == MPG123_NEW_FORMAT;) {
    std::int16_t buffer[4096];
    std::size_t got = 0;
    status = mpg123_read(h, buffer, sizeof buffer, &got);
    theirs.insert(theirs.end(), buffer, buffer + got / 2);
  }
  mpg123_delete(h);
  EXPECT_EQ(ours, theirs);
  EXPECT_GT(ours.size(), tone.size() * 9 / 10);
}

TEST(Decoders, TruncatedAndDamagedDataEndEarlyWithoutFailing) {
  auto tone = swfw::tone(1000, 0.3, 22050);
  swfw::Bytes mp3 = swfw::mp3_encode(tone, 1, 22050);
  swfw::Bytes half(mp3.begin(), mp3.begin() + static_cast<long>(mp3.size() / 2));
  auto out = decode_all(format(swf::SoundCodec::Mp3, 22050, true, false), half);
  EXPECT_LT(out.size(), tone.size());
  swfw::Bytes noise(5000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 7919);
  decode_all(format(swf::SoundCodec::Mp3, 44100, true, true), noise);
  // ADPCM cut inside a packet header, and one with only its code size.
  EXPECT_TRUE(decode_all(format(swf::SoundCodec::Adpcm, 5512.5, true, true), {0xC0, 0x12}).empty());
  EXPECT_TRUE(decode_all(format(swf::SoundCodec::Adpcm, 5512.5, true, false), {0x40}).empty());
}

TEST(Decoders, NellymoserIsRefusedWithAReason) {
  std::string why;
  EXPECT_FALSE(audio::make_decoder(format(swf::SoundCodec::Nellymoser, 22050, true, false), {}, &why));
  EXPECT_NE(why.find("Nellymoser"), std::string::npos);
}
