#include "audio/stream_channel.h"

#include <algorithm>
#include <cmath>

namespace strandel::audio {

namespace {

// Blocks further apart than this many frames are separate runs of sound: the
// channel ends at the gap and the timeline starts the next run when it gets there.
constexpr std::uint16_t kMaxFrameGap = 2;
constexpr std::size_t kDecodeStepFrames = 4096;
constexpr float kSampleScale = 1.0f / 32768.0f;

}  // namespace

std::uint32_t StreamClock::heard_frame(double device_frames, double device_rate) const {
  if (marks.empty()) return 0;
  double sample = skipped + std::max(0.0, device_frames - static_cast<double>(origin)) * rate /
                                device_rate;
  auto after = std::upper_bound(marks.begin(), marks.end(), sample,
                                [](double s, const Mark& m) { return s < m.first_sample; });
  const Mark& m = after == marks.begin() ? marks.front() : *(after - 1);
  double per_frame = samples_per_frame > 0 ? samples_per_frame : rate / 12;
  auto ahead = static_cast<std::uint32_t>(std::min(65535.0, (sample - m.first_sample) / per_frame));
  if (after != marks.end()) ahead = std::min<std::uint32_t>(ahead, after->frame - m.frame - 1u);
  return std::min<std::uint32_t>(m.frame + ahead, 65535);
}

std::unique_ptr<StreamChannel> StreamChannel::start(const swf::StreamHead& head,
                                                    std::span<const swf::StreamBlock> blocks,
                                                    std::size_t first, double frame_rate,
                                                    std::uint64_t device_frame,
                                                    std::string* why) {
  if (first >= blocks.size()) return nullptr;
  StreamClock clock;
  clock.origin = device_frame;
  clock.rate = head.format.rate;
  clock.samples_per_frame = frame_rate > 0 ? head.format.rate / frame_rate : 0;
  Chunks chunks;
  double samples = 0;
  for (std::size_t i = first; i < blocks.size(); ++i) {
    const swf::StreamBlock& b = blocks[i];
    if (i > first && (b.frame <= blocks[i - 1].frame || b.frame > blocks[i - 1].frame + kMaxFrameGap))
      break;
    clock.marks.push_back({b.frame, samples});
    samples += b.sample_count ? b.sample_count : clock.samples_per_frame;
    if (!b.data.empty()) chunks.push_back(b.data);
  }
  auto decoder = make_decoder(head.format, std::move(chunks), why);
  if (!decoder) return nullptr;
  auto channel = std::unique_ptr<StreamChannel>(
      new StreamChannel(std::move(decoder), head.format.channels(), std::move(clock)));
  // An MP3 block may begin with samples that belong before its frame.
  const swf::StreamBlock& b = blocks[first];
  if (head.format.codec == swf::SoundCodec::Mp3 && b.seek_samples > 0)
    channel->clock_.skipped = std::min<double>(b.seek_samples, b.sample_count);
  channel->pos_ = channel->clock_.skipped;
  channel->fill(0);  // learns the rate an MP3 stream really has
  channel->clock_.rate = channel->decoder_ ? channel->decoder_->rate() : head.format.rate;
  return channel;
}

StreamChannel::StreamChannel(std::unique_ptr<Decoder> decoder, unsigned channels,
                             StreamClock clock)
    : decoder_(std::move(decoder)), channels_(channels), clock_(std::move(clock)) {}

// Makes frame k+1 decoded if the data has it; false once it never will be.
bool StreamChannel::fill(std::size_t k) {
  std::size_t have = buffer_start_ + buffer_.size() / channels_;
  if (k + 1 < have) return true;
  if (ended_) return k < have;
  // Frames before k are played: drop them before decoding more.
  std::size_t drop = std::min(k, have) - std::min(k, buffer_start_);
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
  buffer_start_ += drop;
  while (k + 1 >= buffer_start_ + buffer_.size() / channels_) {
    if (decoder_->decode(buffer_, kDecodeStepFrames) == 0) {
      ended_ = true;
      break;
    }
  }
  return k < buffer_start_ + buffer_.size() / channels_;
}

bool StreamChannel::render(float* out, std::size_t frames, double device_rate,
                           const swf::SoundMix& mix) {
  double step = clock_.rate / device_rate;
  for (std::size_t i = 0; i < frames; ++i) {
    auto k = static_cast<std::size_t>(pos_);
    if (!fill(k)) return false;
    std::size_t have = buffer_start_ + buffer_.size() / channels_;
    const std::int16_t* a = buffer_.data() + (k - buffer_start_) * channels_;
    const std::int16_t* b = k + 1 < have ? a + channels_ : a;
    double frac = pos_ - static_cast<double>(k);
    float left = static_cast<float>(a[0] + (b[0] - a[0]) * frac) * kSampleScale;
    float right = channels_ == 2 ? static_cast<float>(a[1] + (b[1] - a[1]) * frac) * kSampleScale
                                 : left;
    out[2 * i] += left * mix.ll + right * mix.rl;
    out[2 * i + 1] += left * mix.lr + right * mix.rr;
    pos_ += step;
  }
  return true;
}

}  // namespace strandel::audio
