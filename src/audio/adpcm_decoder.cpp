// The file format's ADPCM: IMA-style steps with 2 to 5 bits a sample. A block
// of data starts with the code size (2 bits, plus 2); then packets of 4096
// frames, each starting with every channel's first sample (16 bits) and step
// index (6 bits), followed by 4095 frames of codes, channels interleaved. Bits
// are read most significant first and run across byte boundaries.
#include "audio/decoder.h"

#include <algorithm>
#include <array>
#include <optional>

namespace strandel::audio {

namespace {

constexpr std::size_t kFramesPerPacket = 4096;
constexpr int kMaxStepIndex = 88;

constexpr std::array<int, 89> kSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index changes for each magnitude, by code size.
const int kIndex2[] = {-1, 2};
const int kIndex3[] = {-1, -1, 2, 4};
const int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int* const kIndexTables[] = {kIndex2, kIndex3, kIndex4, kIndex5};

class Bits {
 public:
  explicit Bits(std::span<const std::uint8_t> d) : data_(d) {}
  bool has(unsigned n) const { return pos_ + n <= data_.size() * 8; }
  std::uint32_t take(unsigned n) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i, ++pos_)
      v = (v << 1) | ((data_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u);
    return v;
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

struct ChannelState {
  int sample = 0;
  int index = 0;
};

class AdpcmDecoder : public Decoder {
 public:
  AdpcmDecoder(const swf::SoundFormat& f, Chunks chunks)
      : chunks_(std::move(chunks)), rate_(f.rate), channels_(f.channels()) {}

  std::size_t decode(std::vector<std::int16_t>& out, std::size_t frames) override {
    std::size_t done = 0;
    while (done < frames && (bits_ || next_chunk())) {
      if (!decode_frame(out)) {
        bits_.reset();
        continue;
      }
      ++done;
    }
    return done;
  }
  double rate() const override { return rate_; }

 private:
  bool next_chunk() {
    while (chunk_ < chunks_.size()) {
      bits_.emplace(chunks_[chunk_++]);
      if (!bits_->has(2)) continue;
      code_bits_ = bits_->take(2) + 2;
      in_packet_ = kFramesPerPacket;  // a packet header comes first
      return true;
    }
    bits_.reset();
    return false;
  }

  // One frame: a packet header's first samples, or one code a channel.
  // False when the bits end.
  bool decode_frame(std::vector<std::int16_t>& out) {
    if (in_packet_ == kFramesPerPacket) {
      if (!bits_->has(22 * channels_)) return false;
      for (unsigned c = 0; c < channels_; ++c) {
        state_[c].sample = static_cast<std::int16_t>(bits_->take(16));
        state_[c].index = static_cast<int>(bits_->take(6));
        out.push_back(static_cast<std::int16_t>(state_[c].sample));
      }
      in_packet_ = 1;
      return true;
    }
    if (!bits_->has(code_bits_ * channels_)) return false;
    for (unsigned c = 0; c < channels_; ++c)
      out.push_back(step(state_[c], bits_->take(code_bits_)));
    ++in_packet_;
    return true;
  }

  // The magnitude bits add halving fractions of the step, as IMA does, with
  // one more half-step below them so the rounding stays centred.
  std::int16_t step(ChannelState& s, std::uint32_t code) const {
    unsigned magnitude_bits = code_bits_ - 1;
    std::uint32_t sign = 1u << magnitude_bits, magnitude = code & (sign - 1);
    int step = kSteps[s.index];
    int delta = step >> magnitude_bits;
    for (unsigned b = 0; b < magnitude_bits; ++b)
      if (magnitude & (1u << (magnitude_bits - 1 - b))) delta += step >> b;
    s.sample = std::clamp(s.sample + ((code & sign) ? -delta : delta), -32768, 32767);
    s.index = std::clamp(s.index + kIndexTables[code_bits_ - 2][magnitude], 0, kMaxStepIndex);
    return static_cast<std::int16_t>(s.sample);
  }

  Chunks chunks_;
  double rate_;
  unsigned channels_;
  std::size_t chunk_ = 0;
  std::optional<Bits> bits_;
  unsigned code_bits_ = 4;
  std::size_t in_packet_ = 0;
  ChannelState state_[2];
};

}  // namespace

std::unique_ptr<Decoder> make_adpcm_decoder(const swf::SoundFormat& format, Chunks chunks) {
  return std::make_unique<AdpcmDecoder>(format, std::move(chunks));
}

}  // namespace strandel::audio
