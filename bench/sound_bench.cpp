// Sound figures: decoding speed per format (times real time), the mixer's
// CPU while a 44.1 kHz stereo stream plays (goal: under 2% of one core), and
// how far a streamed timeline is from its sound after it has played for a
// while (goal: under one frame). The last runs in real time on the silent
// clock: `sound_bench [SECONDS]`, 60 by default.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/decoder.h"
#include "audio/mixer.h"
#include "audio/movie_sound.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

using namespace strandel;

namespace {

constexpr double kRate = 44100;

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void decoding_speed(const char* name, swf::SoundFormat format, const swfw::Bytes& data,
                    double seconds) {
  double start = cpu_seconds();
  auto decoder = audio::make_decoder(format, {std::span(data)}, nullptr);
  std::vector<std::int16_t> out;
  while (decoder && decoder->decode(out, 4096) > 0) out.clear();
  double used = cpu_seconds() - start;
  std::printf("decode %-14s %8.0f x real time\n", name, seconds / used);
}

void mixer_cost(const char* name, swf::SoundFormat format, const std::vector<swfw::Bytes>& data,
                std::uint16_t per_block) {
  std::vector<swf::StreamBlock> blocks;
  for (std::size_t f = 0; f < data.size(); ++f)
    blocks.push_back({static_cast<std::uint16_t>(f), per_block, 0, data[f]});
  audio::Mixer mixer;
  const int timeline = 0;
  mixer.stream_head(&timeline, {format, per_block, 0}, blocks, 12);
  mixer.stream_frame(&timeline, 0);
  std::vector<float> out(2 * 441);
  double start = cpu_seconds(), played = 0;
  while (!mixer.idle()) {  // 10 ms a call, as the server asks
    mixer.render(out.data(), 441, kRate);
    played += 0.01;
  }
  std::printf("mixer %-15s %8.3f %% of a core (%.0f s of sound)\n", name,
              100 * (cpu_seconds() - start) / played, played);
}

// A movie of `seconds` at 12 fps whose frames each carry a stream block.
swfw::Movie stream_movie(double seconds) {
  swfw::Movie m(8, 320, 240, 12);
  m.sound_stream_head({3, 3, true, true}, 3675);
  auto frames = static_cast<int>(seconds * 12);
  auto block = swfw::pcm16(swfw::tone(440, 1.0 / 12, kRate, 0.3, 2));
  for (int f = 0; f < frames; ++f) {
    m.sound_stream_block(block);
    m.show_frame();
  }
  return m;
}

// Plays the movie as the movie control does, on the silent clock, and says
// how far the shown frame is from the heard one at the end.
void stream_drift(double seconds) {
  auto loaded = swf::read_movie(stream_movie(seconds + 2).bytes());
  swf::Player player(loaded.movie);
  audio::MovieSound sound({.frame_rate = 12, .silent = true}, nullptr);
  player.set_sound(&sound);
  auto start = std::chrono::steady_clock::now();
  auto end = start + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    auto heard = sound.stream_heard_frame(player.main_timeline());
    unsigned due = audio::frames_due(heard, player.current_frame());
    for (unsigned i = 0; i < due; ++i) player.advance();
    std::this_thread::sleep_for(std::chrono::duration<double>(1.0 / 12 / 4));
  }
  auto heard = sound.stream_heard_frame(player.main_timeline());
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("stream drift after %.0f s: %+d frames against the sound (heard %u, shown %u); "
              "%+.2f frames against the wall clock\n",
              wall, heard ? static_cast<int>(player.current_frame()) - 1 - static_cast<int>(*heard) : 0,
              heard ? *heard : 0, player.current_frame() - 1u,
              (player.current_frame() - 1.0) - wall * 12);
}

}  // namespace

int main(int argc, char** argv) {
  double drift_seconds = argc > 1 ? std::atof(argv[1]) : 60;
  constexpr double kSeconds = 10;
  auto stereo = swfw::tone(440, kSeconds, kRate, 0.5, 2);
  auto mono = swfw::tone(440, kSeconds, kRate, 0.5, 1);
  decoding_speed("PCM 16 stereo", {swf::SoundCodec::LittleEndianPcm, kRate, true, true},
                 swfw::pcm16(stereo), kSeconds);
  decoding_speed("ADPCM 4 stereo", {swf::SoundCodec::Adpcm, kRate, true, true},
                 swfw::adpcm_encode(stereo, 2, 4), kSeconds);
  decoding_speed("ADPCM 2 mono", {swf::SoundCodec::Adpcm, kRate, true, false},
                 swfw::adpcm_encode(mono, 1, 2), kSeconds);
  decoding_speed("MP3 stereo", {swf::SoundCodec::Mp3, kRate, true, true},
                 swfw::mp3_encode(stereo, 2, 44100, 128), kSeconds);
  swfw::Bytes alaw(static_cast<std::size_t>(kSeconds * kRate), 0x55);
  decoding_speed("A-law mono", {swf::SoundCodec::ALaw, kRate, false, false}, alaw, kSeconds);

  std::vector<swfw::Bytes> pcm_blocks, mp3_blocks;
  auto block = swfw::tone(440, 1.0 / 12, kRate, 0.3, 2);
  for (int f = 0; f < 12 * 60; ++f) pcm_blocks.push_back(swfw::pcm16(block));
  mixer_cost("PCM stereo 44k", {swf::SoundCodec::LittleEndianPcm, kRate, true, true}, pcm_blocks,
             3675);
  mp3_blocks.push_back(swfw::mp3_encode(swfw::tone(440, 60, kRate, 0.3, 2), 2, 44100, 128));
  mixer_cost("MP3 stereo 44k", {swf::SoundCodec::Mp3, kRate, true, true}, mp3_blocks, 0);

  stream_drift(drift_seconds);
  return 0;
}
