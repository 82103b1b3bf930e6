// Sound tags and the encoders that make their data: a sine, 16-bit PCM, the
// file format's ADPCM, and MP3 by libmp3lame.
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "swfwriter/swfwriter.h"

namespace swfw {

namespace {

constexpr double kRates[4] = {5512.5, 11025, 22050, 44100};

std::uint8_t format_byte(const SoundFormat& f) {
  return static_cast<std::uint8_t>((f.codec << 4) | ((f.rate_code & 3) << 2) |
                                   (f.sixteen_bit ? 2 : 0) | (f.stereo ? 1 : 0));
}

constexpr int kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndex2[] = {-1, 2};
const int kIndex3[] = {-1, -1, 2, 4};
const int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int* const kIndexTables[] = {kIndex2, kIndex3, kIndex4, kIndex5};

struct AdpcmChannel {
  int predicted = 0, index = 0;
};

// Picks the code whose reconstruction comes nearest the sample, and moves
// the predictor as the decoder will.
std::uint32_t adpcm_code(AdpcmChannel& c, int sample, unsigned bits) {
  unsigned magnitude_bits = bits - 1;
  std::uint32_t sign = 1u << magnitude_bits;
  int step = kSteps[c.index];
  std::uint32_t best = 0;
  int best_value = 0, best_error = INT32_MAX;
  for (std::uint32_t code = 0; code < (sign << 1); ++code) {
    int delta = step >> magnitude_bits;
    for (unsigned b = 0; b < magnitude_bits; ++b)
      if (code & (1u << (magnitude_bits - 1 - b))) delta += step >> b;
    int value = std::clamp(c.predicted + ((code & sign) ? -delta : delta), -32768, 32767);
    if (std::abs(value - sample) < best_error) {
      best_error = std::abs(value - sample);
      best = code;
      best_value = value;
    }
  }
  c.predicted = best_value;
  c.index = std::clamp(c.index + kIndexTables[bits - 2][best & (sign - 1)], 0, 88);
  return best;
}

}  // namespace

double SoundFormat::rate() const { return kRates[rate_code & 3]; }

Bytes sound_info_bytes(const SoundInfo& info) {
  Writer w;
  std::uint8_t flags = (info.stop ? 0x20 : 0) | (info.no_multiple ? 0x10 : 0) |
                       (info.envelope.empty() ? 0 : 0x08) | (info.loops ? 0x04 : 0) |
                       (info.out_point ? 0x02 : 0) | (info.in_point ? 0x01 : 0);
  w.u8(flags);
  if (info.in_point) w.u32(*info.in_point);
  if (info.out_point) w.u32(*info.out_point);
  if (info.loops) w.u16(*info.loops);
  if (!info.envelope.empty()) {
    std::size_t n = std::min<std::size_t>(info.envelope.size(), 255);
    w.u8(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
      w.u32(info.envelope[i].position44);
      w.u16(info.envelope[i].left);
      w.u16(info.envelope[i].right);
    }
  }
  return w.take();
}

std::vector<std::int16_t> tone(double hz, double seconds, double rate, double amplitude,
                               unsigned channels) {
  auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<std::int16_t> out;
  out.reserve(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    double v = amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    for (unsigned c = 0; c < channels; ++c) out.push_back(static_cast<std::int16_t>(std::lround(v)));
  }
  return out;
}

Bytes pcm16(const std::vector<std::int16_t>& samples) {
  Writer w;
  for (std::int16_t s : samples) w.s16(s);
  return w.take();
}

Bytes adpcm_encode(const std::vector<std::int16_t>& samples, unsigned channels, unsigned bits) {
  constexpr std::size_t kFramesPerPacket = 4096;
  Writer w;
  w.ub(2, bits - 2);
  AdpcmChannel state[2];
  std::size_t frames = samples.size() / channels;
  for (std::size_t f = 0; f < frames; ++f) {
    for (unsigned c = 0; c < channels; ++c) {
      int s = samples[f * channels + c];
      if (f % kFramesPerPacket == 0) {
        state[c].predicted = s;
        state[c].index = std::min(state[c].index, 88);
        w.sb(16, s);
        w.ub(6, static_cast<std::uint32_t>(state[c].index));
      } else {
        w.ub(bits, adpcm_code(state[c], s, bits));
      }
    }
  }
  return w.take();
}

Bytes mp3_encode(const std::vector<std::int16_t>& samples, unsigned channels, int rate, int kbps) {
  std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
  if (!lame) return {};
  lame_set_in_samplerate(lame.get(), rate);
  lame_set_out_samplerate(lame.get(), rate);
  lame_set_num_channels(lame.get(), static_cast<int>(channels));
  lame_set_mode(lame.get(), channels == 2 ? JOINT_STEREO : MONO);
  lame_set_brate(lame.get(), kbps);
  lame_set_bWriteVbrTag(lame.get(), 0);
  if (lame_init_params(lame.get()) < 0) return {};
  int frames = static_cast<int>(samples.size() / channels);
  Bytes out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 7200);
  std::vector<std::int16_t> left(frames), right(frames);
  for (int i = 0; i < frames; ++i) {
    left[i] = samples[static_cast<std::size_t>(i) * channels];
    right[i] = samples[static_cast<std::size_t>(i) * channels + channels - 1];
  }
  int n = lame_encode_buffer(lame.get(), left.data(), right.data(), frames, out.data(),
                             static_cast<int>(out.size()));
  if (n < 0) return {};
  int tail = lame_encode_flush(lame.get(), out.data() + n, static_cast<int>(out.size()) - n);
  out.resize(static_cast<std::size_t>(n + std::max(tail, 0)));
  return out;
}

Bytes mp3_stream_block(std::uint16_t sample_count, std::int16_t seek, const Bytes& frames) {
  Writer w;
  w.u16(sample_count);
  w.s16(seek);
  w.append(frames);
  return w.take();
}

Bytes mp3_sound_data(std::int16_t seek, const Bytes& frames) {
  Writer w;
  w.s16(seek);
  w.append(frames);
  return w.take();
}

void Timeline::start_sound(std::uint16_t id, const SoundInfo& info) {
  Writer w;
  w.u16(id);
  w.append(sound_info_bytes(info));
  tag(tag::StartSound, w.take());
}

void Timeline::start_sound2(const std::string& class_name, const SoundInfo& info) {
  Writer w;
  w.str(class_name);
  w.append(sound_info_bytes(info));
  tag(tag::StartSound2, w.take());
}

void Timeline::sound_stream_head(const SoundFormat& f, std::uint16_t samples_per_block,
                                 std::int16_t latency_seek, bool version1) {
  Writer w;
  w.u8(format_byte({0, f.rate_code, f.sixteen_bit, f.stereo}));  // playback: PCM at that rate
  w.u8(format_byte(f));
  w.u16(samples_per_block);
  if (f.codec == 2) w.s16(latency_seek);
  tag(version1 ? tag::SoundStreamHead : tag::SoundStreamHead2, w.take());
}

void Timeline::sound_stream_block(const Bytes& data) { tag(tag::SoundStreamBlock, data, true); }

void Movie::define_button_sound(std::uint16_t button,
                                const std::vector<std::pair<std::uint16_t, SoundInfo>>& sounds) {
  Writer w;
  w.u16(button);
  for (std::size_t i = 0; i < 4; ++i) {
    std::uint16_t id = i < sounds.size() ? sounds[i].first : 0;
    w.u16(id);
    if (id != 0) w.append(sound_info_bytes(sounds[i].second));
  }
  tag(tag::DefineButtonSound, w.take());
}

void Movie::define_sound(std::uint16_t id, const SoundFormat& f, std::uint32_t sample_count,
                         const Bytes& data) {
  Writer w;
  w.u16(id);
  w.u8(format_byte(f));
  w.u32(sample_count);
  w.append(data);
  tag(tag::DefineSound, w.take(), true);
}

}  // namespace swfw
