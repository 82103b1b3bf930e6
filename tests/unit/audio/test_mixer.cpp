// The mixer's event channels (loops, in and out points, envelope, stop and
// no-multiple), its streams (jumps, stops, the clock) and its bounds.
#include <gtest/gtest.h>

#include "audio/mixer.h"
#include "audio/movie_sound.h"
#include "swfwriter/swfwriter.h"

using namespace strandel;

namespace {

constexpr double kRate = 44100;

// A sound of `frames` frames of one constant value, 16-bit mono at 44.1 kHz.
struct ConstantSound {
  swfw::Bytes bytes;
  swf::SoundDefinition definition;
  ConstantSound(std::uint16_t id, std::size_t frames, std::int16_t value = 16384)
      : bytes(swfw::pcm16(std::vector<std::int16_t>(frames, value))) {
    definition = {id, {swf::SoundCodec::LittleEndianPcm, kRate, true, false},
                  static_cast<std::uint32_t>(frames), bytes};
  }
};

// Frames rendered (in blocks of 64) until the mix falls silent, at most `limit`.
std::size_t frames_heard(audio::Mixer& m, std::size_t limit = 1 << 20) {
  std::vector<float> out(128);
  std::size_t heard = 0;
  for (std::size_t done = 0; done < limit; done += 64) {
    m.render(out.data(), 64, kRate);
    for (std::size_t i = 0; i < 64; ++i) heard += out[2 * i] != 0 || out[2 * i + 1] != 0;
    if (m.idle()) break;
  }
  return heard;
}

}  // namespace

TEST(Mixer, LoopsInAndOutPoints) {
  ConstantSound s(1, 1000);
  audio::Mixer m;
  m.define(s.definition);
  swf::SoundInfo info;
  info.loops = 3;
  m.start(1, info);
  EXPECT_EQ(frames_heard(m), 3000u);
  info.in_point = 100;
  info.out_point = 300;
  m.start(1, info);
  EXPECT_EQ(frames_heard(m), 600u);
}

TEST(Mixer, StopAndNoMultiple) {
  ConstantSound s(1, 100000);
  audio::Mixer m;
  m.define(s.definition);
  swf::SoundInfo once;
  once.no_multiple = true;
  m.start(1, once);
  m.start(1, once);
  std::vector<float> out(2);
  m.render(out.data(), 1, kRate);
  EXPECT_NEAR(out[0], 0.5f, 1e-3);  // one channel, not two
  swf::SoundInfo stop;
  stop.stop = true;
  m.start(1, stop);
  EXPECT_FALSE(m.playing(1));
  EXPECT_TRUE(m.idle());
}

TEST(Mixer, EnvelopeSetsEachSide) {
  ConstantSound s(1, 44100);
  audio::Mixer m;
  m.define(s.definition);
  swf::SoundInfo info;
  info.envelope = {{0, 0, 32768}, {44100, 32768, 0}};
  m.start(1, info);
  std::vector<float> out(2 * 22050);
  m.render(out.data(), 22050, kRate);
  EXPECT_NEAR(out[0], 0.0f, 1e-3);
  EXPECT_NEAR(out[1], 0.5f, 1e-3);
  EXPECT_NEAR(out[2 * 22049], 0.25f, 1e-3);  // halfway along the line
  EXPECT_NEAR(out[2 * 22049 + 1], 0.25f, 1e-3);
}

TEST(Mixer, ResamplesToTheDeviceRate) {
  ConstantSound s(1, 11025);
  s.definition.format.rate = 11025;
  audio::Mixer m;
  m.define(s.definition);
  m.start(1, {});
  EXPECT_NEAR(static_cast<double>(frames_heard(m)), 44100, 4);
}

TEST(Mixer, HostileInfoStaysBounded) {
  ConstantSound s(1, 1000);
  audio::Mixer m;
  m.define(s.definition);
  swf::SoundInfo past;  // in point past the data, looped as often as the field allows
  past.in_point = 1u << 30;
  past.loops = 65535;
  m.start(1, past);
  EXPECT_EQ(frames_heard(m), 0u);
  EXPECT_TRUE(m.idle());
  for (int i = 0; i < 100; ++i) m.start(1, {});
  swf::SoundInfo looped;
  looped.loops = 65535;
  m.start(1, looped);
  std::vector<float> out(2 * 64);
  m.render(out.data(), 64, kRate);
  EXPECT_LE(out[0], 1.0f);  // 32 channels at most, clipped
  m.start(99, {});          // never defined
}

TEST(Mixer, StreamFollowsItsTimeline) {
  // Ten frames of 4410 frames each at 44.1 kHz and 10 fps.
  std::vector<swfw::Bytes> data;
  std::vector<swf::StreamBlock> blocks;
  for (std::uint16_t f = 0; f < 10; ++f) data.push_back(swfw::pcm16(std::vector<std::int16_t>(4410, 1000)));
  for (std::uint16_t f = 0; f < 10; ++f) blocks.push_back({f, 4410, 0, data[f]});
  swf::StreamHead head{{swf::SoundCodec::LittleEndianPcm, kRate, true, false}, 4410, 0};
  audio::Mixer m;
  const int key = 0;
  m.stream_head(&key, head, blocks, 10);
  m.stream_frame(&key, 0);
  std::vector<float> out(2 * 4410);
  m.render(out.data(), 4410, kRate);
  auto clocks = m.stream_clocks();
  ASSERT_EQ(clocks.size(), 1u);
  EXPECT_EQ(clocks[&key].heard_frame(0, kRate), 0u);
  EXPECT_EQ(clocks[&key].heard_frame(4410 * 3 + 10, kRate), 3u);
  m.stream_frame(&key, 1);  // in step: plays on
  EXPECT_EQ(m.stream_clocks()[&key].origin, 0u);
  m.stream_frame(&key, 7);  // a jump: starts again at frame 7's block
  EXPECT_EQ(m.stream_clocks()[&key].heard_frame(4410 + 4410, kRate), 8u);
  EXPECT_EQ(frames_heard(m), 3u * 4410);
  m.stream_frame(&key, 8);  // played out: stays silent through the last frames
  m.stream_frame(&key, 9);
  EXPECT_TRUE(m.idle());
  m.stream_stop(&key);
  EXPECT_TRUE(m.stream_clocks().empty());
}

// Sound settings changed while sounds play reach the event sounds heard
// through the clip and its stream; the clip leaving ends only what its Sound
// objects started.
TEST(Mixer, SettingsReachPlayingSounds) {
  ConstantSound s(1, 100000);
  std::vector<swfw::Bytes> data{swfw::pcm16(std::vector<std::int16_t>(4410, 16384))};
  swf::StreamHead head{{swf::SoundCodec::LittleEndianPcm, kRate, true, false}, 4410, 0};
  audio::Mixer m;
  m.define(s.definition);
  const int clip = 0;
  swf::SoundMix through;
  through.clip = &clip;
  m.start(1, {}, through);  // a timeline's sound: no owner
  m.stream_head(&clip, head, {{0, 4410, 0, data[0]}}, 10);
  m.stream_frame(&clip, 0);
  std::vector<float> out(2);
  m.render(out.data(), 1, kRate);
  EXPECT_NEAR(out[0], 1.0f, 1e-3);
  swf::SoundMix quiet{0.25f, 0, 0, 0.25f, &clip, nullptr};
  m.set_mix(&clip, quiet);
  m.render(out.data(), 1, kRate);
  EXPECT_NEAR(out[0], 0.25f, 1e-3);
  EXPECT_NEAR(out[1], 0.25f, 1e-3);
  m.stop_owner(&clip);
  EXPECT_TRUE(m.playing(1));
}

TEST(Pacing, TheSoundLeads) {
  EXPECT_EQ(audio::frames_due(std::nullopt, 5), 1u);  // no stream: the timer's pace
  EXPECT_EQ(audio::frames_due(4, 5), 0u);             // sound behind the picture: wait
  EXPECT_EQ(audio::frames_due(7, 5), 3u);             // ahead: catch up, dropping frames
  EXPECT_EQ(audio::frames_due(1000, 5), audio::kMaxCatchUpFrames);
}
