#include "audio/movie_sound.h"

#include <algorithm>

namespace strandel::audio {

namespace {

// Commands waiting for the device past this many are dropped: a movie that
// starts sounds faster than anything plays them (or before the device is
// up) cannot fill the memory with them.
constexpr std::size_t kMaxQueuedCommands = 4096;
// Distinct problems said at most; the rest are the same story.
constexpr std::size_t kMaxProblems = 4;

}  // namespace

unsigned frames_due(std::optional<std::uint32_t> heard_frame, std::uint16_t current_frame) {
  if (!heard_frame) return 1;
  std::uint32_t shown = current_frame == 0 ? 0 : current_frame - 1u;  // 0-based
  if (current_frame == 0 || *heard_frame <= shown) return current_frame == 0 ? 1 : 0;
  return std::min<std::uint32_t>(*heard_frame - shown, kMaxCatchUpFrames);
}

MovieSound::MovieSound(Options options, std::function<void(const std::string&)> on_problem)
    : options_(options),
      on_problem_(std::move(on_problem)),
      mixer_([this](const std::string& text) { problem(text); }),
      device_held_(options.hold_device) {}

MovieSound::~MovieSound() { device_.reset(); }

void MovieSound::problem(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (reported_.size() >= kMaxProblems || !reported_.insert(text).second) return;
  }
  if (on_problem_) on_problem_(text);
}

void MovieSound::post(Command command, bool needs_device) {
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxQueuedCommands) return;
    queue_.push_back(std::move(command));
  }
  if (!needs_device || device_) return;
  if (device_held_)
    device_wanted_ = true;
  else
    open_device();
}

void MovieSound::release_device() {
  if (!device_held_) return;
  device_held_ = false;
  if (device_wanted_ && !device_) open_device();
}

void MovieSound::open_device() {
  device_ = std::make_unique<Device>(
      static_cast<Device::Source&>(*this), [this](const std::string& text) { problem(text); }, options_.silent);
}

void MovieSound::define_sound(const swf::SoundDefinition& sound) {
  post([sound](Mixer& m) { m.define(sound); }, false);
}

void MovieSound::export_name(std::uint16_t id, const std::string& name) { exports_[name] = id; }

void MovieSound::start_sound(const swf::StartSoundRecord& start) {
  std::uint16_t id = start.id;
  if (!start.class_name.empty()) {
    auto it = exports_.find(start.class_name);
    if (it == exports_.end()) return;
    id = it->second;
  }
  if (!start.info.stop) {
    if (start.mix.owner) owners_.insert(start.mix.owner);
    heard_[start.mix.clip] = start.mix;
  }
  post([id, info = start.info, mix = start.mix](Mixer& m) { m.start(id, info, mix); },
       !start.info.stop);
}

void MovieSound::stop_owner(const void* owner) {
  bool owned = owners_.erase(owner) > 0;
  bool heard = heard_.erase(owner) > 0;
  if (!owned && !heard) return;  // nothing was started through it
  // What it started and plays on follows the movie's settings from now on.
  if (heard) heard_.try_emplace(nullptr, swf::SoundMix{});
  post([owner](Mixer& m) { m.stop_owner(owner); }, false);
}

// Only a change for a clip with sounds is worth the sound thread's time.
void MovieSound::set_mix(const void* clip, const swf::SoundMix& mix) {
  auto it = heard_.find(clip);
  if (it == heard_.end() || it->second.same_gains(mix)) return;
  it->second = mix;
  post([clip, mix](Mixer& m) { m.set_mix(clip, mix); }, false);
}

void MovieSound::stop_all() {
  if (!device_) return;  // nothing has played
  post([](Mixer& m) { m.stop_all(); }, false);
}

void MovieSound::stream_head(const void* timeline, const swf::StreamHead& head,
                             std::vector<swf::StreamBlock> blocks) {
  if (blocks.empty()) return;
  double rate = options_.frame_rate;
  heard_.try_emplace(timeline, swf::SoundMix{});  // the mixer's until set_mix says otherwise
  post([timeline, head, blocks = std::move(blocks), rate](Mixer& m) mutable {
    m.stream_head(timeline, head, std::move(blocks), rate);
  }, true);
}

void MovieSound::stream_frame(const void* timeline, std::uint16_t frame) {
  if (!device_) return;  // no stream was declared
  post([timeline, frame](Mixer& m) { m.stream_frame(timeline, frame); }, false);
}

void MovieSound::stream_stop(const void* timeline) {
  if (!device_) return;
  post([timeline](Mixer& m) { m.stream_stop(timeline); }, false);
}

std::optional<std::uint32_t> MovieSound::stream_heard_frame(const void* timeline) {
  if (!device_) return std::nullopt;
  double rate = device_->rate();
  if (rate <= 0) return std::nullopt;
  double heard = device_->frames_heard();
  std::lock_guard lock(mutex_);
  auto it = clocks_.find(timeline);
  if (it == clocks_.end()) return std::nullopt;
  return it->second.heard_frame(heard, rate);
}

std::size_t MovieSound::decoded_bytes() const {
  std::lock_guard lock(mutex_);
  return decoded_bytes_;
}

// On the device thread: the queued calls first, then the mix; the stream
// clocks are copied out when a stream started or ended.
void MovieSound::render(float* out, std::size_t frames, double rate) {
  std::vector<Command> commands;
  {
    std::lock_guard lock(mutex_);
    commands.swap(queue_);
  }
  for (Command& c : commands) c(mixer_);
  mixer_.render(out, frames, rate);
  std::lock_guard lock(mutex_);
  decoded_bytes_ = mixer_.library().decoded_bytes();
  if (mixer_.streams_version() != published_version_) {
    published_version_ = mixer_.streams_version();
    clocks_ = mixer_.stream_clocks();
  }
}

}  // namespace strandel::audio
