#include "audio/mixer.h"

#include <algorithm>

namespace strandel::audio {

Mixer::Mixer(std::function<void(const std::string&)> on_problem)
    : library_(on_problem), on_problem_(std::move(on_problem)) {}

void Mixer::report(const std::string& problem) {
  if (on_problem_) on_problem_(problem);
}

void Mixer::start(std::uint16_t id, const swf::SoundInfo& info, const swf::SoundMix& mix) {
  if (info.stop) {
    std::erase_if(events_, [id](const EventChannel& c) { return c.id() == id; });
    return;
  }
  if (info.no_multiple && playing(id)) return;
  auto sound = library_.open(id);
  if (!sound) return;
  library_.decode_to(*sound, 1);  // an MP3 sound's rate is known once a frame is decoded
  if (events_.size() >= kMaxEventChannels) events_.erase(events_.begin());
  events_.emplace_back(id, std::move(sound), info, mix);
}

void Mixer::stop_owner(const void* owner) {
  std::erase_if(events_, [owner](const EventChannel& c) { return c.owner() == owner; });
  for (EventChannel& c : events_)
    if (c.clip() == owner) c.follow(nullptr);
}

void Mixer::set_mix(const void* clip, const swf::SoundMix& mix) {
  for (EventChannel& c : events_)
    if (c.clip() == clip) c.set_gains(mix);
  if (auto it = streams_.find(clip); it != streams_.end()) it->second.mix = mix;
}

void Mixer::stop_all() {
  events_.clear();
  for (auto& [timeline, stream] : streams_) stream.channel.reset();
  ++streams_version_;
}

bool Mixer::playing(std::uint16_t id) const {
  return std::any_of(events_.begin(), events_.end(),
                     [id](const EventChannel& c) { return c.id() == id; });
}

void Mixer::stream_head(const void* timeline, const swf::StreamHead& head,
                        std::vector<swf::StreamBlock> blocks, double frame_rate) {
  Stream& s = streams_[timeline];
  s = Stream{head, std::move(blocks), frame_rate, -1, -1, s.mix, nullptr};
}

// A timeline that shows the frame after the one it showed last plays on; any
// other frame is a jump, and the stream starts again at that frame's block.
void Mixer::stream_frame(const void* timeline, std::uint16_t frame) {
  auto it = streams_.find(timeline);
  if (it == streams_.end()) return;
  Stream& s = it->second;
  bool continuous = s.last_frame >= 0 && (frame == s.last_frame || frame == s.last_frame + 1);
  s.last_frame = frame;
  if (continuous && (s.channel || frame <= s.played_to)) return;
  ++streams_version_;
  s.channel.reset();
  s.played_to = -1;
  auto block = std::find_if(s.blocks.begin(), s.blocks.end(),
                            [frame](const swf::StreamBlock& b) { return b.frame == frame; });
  if (block == s.blocks.end()) return;
  std::string why;
  s.channel = StreamChannel::start(s.head, s.blocks,
                                   static_cast<std::size_t>(block - s.blocks.begin()),
                                   s.frame_rate, rendered_, &why);
  if (!s.channel && !why.empty()) {
    report("streaming sound: " + why);
    s.blocks.clear();  // said once; the stream stays silent
  }
}

void Mixer::stream_stop(const void* timeline) {
  auto it = streams_.find(timeline);
  if (it == streams_.end()) return;
  ++streams_version_;
  it->second.channel.reset();
  it->second.last_frame = -1;
  it->second.played_to = -1;
}

std::map<const void*, StreamClock> Mixer::stream_clocks() const {
  std::map<const void*, StreamClock> clocks;
  for (const auto& [timeline, s] : streams_)
    if (s.channel) clocks.emplace(timeline, s.channel->clock());
  return clocks;
}

void Mixer::render(float* out, std::size_t frames, double device_rate) {
  std::fill(out, out + 2 * frames, 0.0f);
  std::erase_if(events_, [&](EventChannel& c) {
    return !c.render(library_, out, frames, device_rate);
  });
  for (auto& [timeline, s] : streams_) {
    if (!s.channel || s.channel->render(out, frames, device_rate, s.mix)) continue;
    s.played_to = s.channel->clock().marks.back().frame;
    s.channel.reset();
    ++streams_version_;
  }
  for (std::size_t i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  rendered_ += frames;
}

bool Mixer::idle() const {
  if (!events_.empty()) return false;
  return std::none_of(streams_.begin(), streams_.end(),
                      [](const auto& s) { return s.second.channel != nullptr; });
}

}  // namespace strandel::audio
