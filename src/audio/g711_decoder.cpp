// G.711 sound, A-law and mu-law: one byte a sample, companded; these formulas
// expand a byte to the 16-bit sample it stands for.
#include "audio/decoder.h"

namespace strandel::audio {

namespace {

std::int16_t expand_alaw(std::uint8_t byte) {
  int v = byte ^ 0x55;  // even bits are inverted on the wire
  int exponent = (v >> 4) & 7, mantissa = v & 0x0F;
  int magnitude = exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
  return static_cast<std::int16_t>((v & 0x80) ? magnitude : -magnitude);
}

std::int16_t expand_mulaw(std::uint8_t byte) {
  int v = ~byte & 0xFF;
  int exponent = (v >> 4) & 7, mantissa = v & 0x0F;
  int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
  return static_cast<std::int16_t>((v & 0x80) ? -magnitude : magnitude);
}

class G711Decoder : public Decoder {
 public:
  G711Decoder(const swf::SoundFormat& f, Chunks chunks)
      : chunks_(std::move(chunks)),
        rate_(f.rate),
        channels_(f.channels()),
        alaw_(f.codec == swf::SoundCodec::ALaw) {}

  std::size_t decode(std::vector<std::int16_t>& out, std::size_t frames) override {
    std::size_t done = 0;
    while (done < frames && chunk_ < chunks_.size()) {
      auto data = chunks_[chunk_];
      std::size_t whole = data.size() / channels_;
      std::size_t n = std::min(frames - done, whole - std::min(whole, frame_));
      for (std::size_t i = 0; i < n * channels_; ++i) {
        std::uint8_t b = data[frame_ * channels_ + i];
        out.push_back(alaw_ ? expand_alaw(b) : expand_mulaw(b));
      }
      frame_ += n;
      done += n;
      if (frame_ >= whole) {
        ++chunk_;
        frame_ = 0;
      }
    }
    return done;
  }
  double rate() const override { return rate_; }

 private:
  Chunks chunks_;
  double rate_;
  unsigned channels_;
  bool alaw_;
  std::size_t chunk_ = 0, frame_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> make_g711_decoder(const swf::SoundFormat& format, Chunks chunks) {
  return std::make_unique<G711Decoder>(format, std::move(chunks));
}

}  // namespace strandel::audio
