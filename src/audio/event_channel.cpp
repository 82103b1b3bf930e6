#include "audio/event_channel.h"

#include <algorithm>
#include <cmath>

#include "audio/envelope.h"

namespace strandel::audio {

namespace {

// In and out points and envelope positions count 44.1 kHz samples.
constexpr double kPointRate = 44100;
constexpr float kSampleScale = 1.0f / 32768.0f;

}  // namespace

EventChannel::EventChannel(std::uint16_t id, std::shared_ptr<DecodedSound> sound,
                           swf::SoundInfo info, swf::SoundMix mix)
    : id_(id), sound_(std::move(sound)), info_(std::move(info)), mix_(mix),
      loops_left_(std::max<unsigned>(info_.loops, 1)) {
  double scale = sound_->rate() / kPointRate;
  if (info_.in_point) begin_ = *info_.in_point * scale;
  if (info_.out_point) end_ = *info_.out_point * scale;
  pos_ = begin_;
}

double EventChannel::position_ms() const { return pos_ * 1000.0 / sound_->rate(); }

void EventChannel::set_gains(const swf::SoundMix& mix) {
  mix_.ll = mix.ll;
  mix_.rl = mix.rl;
  mix_.lr = mix.lr;
  mix_.rr = mix.rr;
}

bool EventChannel::render(SoundLibrary& library, float* out, std::size_t frames,
                          double device_rate) {
  DecodedSound& s = *sound_;
  double step = s.rate() / device_rate;
  std::size_t available = s.frames();
  for (std::size_t i = 0; i < frames;) {
    auto k = static_cast<std::size_t>(pos_);
    if (k + 1 >= available && !s.complete()) available = library.decode_to(s, k + 2);
    bool past_out = end_ > 0 && pos_ >= end_;
    if (k >= available || past_out) {
      // A loop that gave nothing (an in point past the data) ends the sound.
      if (--loops_left_ == 0 || !loop_played_) return false;
      pos_ = begin_;
      loop_played_ = false;
      continue;
    }
    double frac = pos_ - static_cast<double>(k);
    const std::int16_t* a = s.frame(k);
    const std::int16_t* b = k + 1 < available ? s.frame(k + 1) : a;
    float left = static_cast<float>(a[0] + (b[0] - a[0]) * frac) * kSampleScale;
    float right = left;
    if (s.channels() == 2) right = static_cast<float>(a[1] + (b[1] - a[1]) * frac) * kSampleScale;
    if (!info_.envelope.empty()) {
      auto [gl, gr] = envelope_gains(info_.envelope, pos_ * kPointRate / s.rate());
      left *= gl;
      right *= gr;
    }
    out[2 * i] += left * mix_.ll + right * mix_.rl;
    out[2 * i + 1] += left * mix_.lr + right * mix_.rr;
    pos_ += step;
    loop_played_ = true;
    ++i;
  }
  return true;
}

}  // namespace strandel::audio
