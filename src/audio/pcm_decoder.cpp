// Uncompressed sound: 8-bit samples are unsigned (128 is silence), 16-bit
// samples signed little-endian; stereo frames are left then right. The
// "native" format is little-endian in every movie, as they were written on
// little-endian machines.
#include "audio/decoder.h"

namespace strandel::audio {

namespace {

class PcmDecoder : public Decoder {
 public:
  PcmDecoder(const swf::SoundFormat& f, Chunks chunks)
      : chunks_(std::move(chunks)),
        rate_(f.rate),
        channels_(f.channels()),
        sample_bytes_(f.sixteen_bit ? 2 : 1) {}

  std::size_t decode(std::vector<std::int16_t>& out, std::size_t frames) override {
    std::size_t frame_bytes = channels_ * sample_bytes_, done = 0;
    while (done < frames && chunk_ < chunks_.size()) {
      auto data = chunks_[chunk_];
      std::size_t whole = data.size() / frame_bytes;  // a partial last frame is dropped
      std::size_t n = std::min(frames - done, whole - std::min(whole, frame_));
      for (std::size_t i = 0; i < n * channels_; ++i)
        out.push_back(sample(data, (frame_ * channels_ + i) * sample_bytes_));
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
  std::int16_t sample(std::span<const std::uint8_t> d, std::size_t at) const {
    if (sample_bytes_ == 1) return static_cast<std::int16_t>((d[at] - 128) << 8);
    return static_cast<std::int16_t>(d[at] | (d[at + 1] << 8));
  }

  Chunks chunks_;
  double rate_;
  unsigned channels_, sample_bytes_;
  std::size_t chunk_ = 0, frame_ = 0;  // the next frame to read
};

}  // namespace

std::unique_ptr<Decoder> make_pcm_decoder(const swf::SoundFormat& format, Chunks chunks) {
  return std::make_unique<PcmDecoder>(format, std::move(chunks));
}

}  // namespace strandel::audio
