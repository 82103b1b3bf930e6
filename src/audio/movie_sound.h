// A movie's sound: what the player reports (SoundEvents) goes, in order,
// through a short queue to the mixer on the device's thread; the device is
// opened the first time the movie has something to play. The window's
// thread only ever holds the queue's lock for a push or a copy.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "audio/device.h"
#include "audio/mixer.h"
#include "swf/sound_events.h"

namespace strandel::audio {

// Frames a timeline led by its stream moves on this tick: none while the
// sound is behind the picture, the frames the sound got ahead otherwise (the
// ones between are dropped, never drawn), at most kMaxCatchUpFrames. Without a
// stream playing, one: the timeline keeps its own time.
inline constexpr unsigned kMaxCatchUpFrames = 10;
unsigned frames_due(std::optional<std::uint32_t> heard_frame, std::uint16_t current_frame);

class MovieSound : public swf::SoundEvents, private Device::Source {
 public:
  struct Options {
    double frame_rate = 12;  // the movie's, for streams whose blocks say nothing
    bool silent = false;     // keep time without a sound server (tests, benches)
    // Open the device no earlier than release_device(): the program calls
    // it once the first frame is shown, so loading the sound library and
    // connecting to the server stay off the path to the first paint.
    bool hold_device = false;
  };
  // `on_problem` hears each distinct problem once, on any thread.
  MovieSound(Options options, std::function<void(const std::string&)> on_problem);
  ~MovieSound() override;

  // Lets the device open, now if something already waits to be heard.
  void release_device();
  bool holding_device() const { return device_held_; }

  void define_sound(const swf::SoundDefinition& sound) override;
  void export_name(std::uint16_t id, const std::string& name) override;
  void start_sound(const swf::StartSoundRecord& start) override;
  void stop_all() override;
  void stop_owner(const void* owner) override;
  void set_mix(const void* clip, const swf::SoundMix& mix) override;
  void stream_head(const void* timeline, const swf::StreamHead& head,
                   std::vector<swf::StreamBlock> blocks) override;
  void stream_frame(const void* timeline, std::uint16_t frame) override;
  void stream_stop(const void* timeline) override;
  std::optional<std::uint32_t> stream_heard_frame(const void* timeline) override;

  bool device_open() const { return device_ != nullptr; }
  // Decoded samples held now, in bytes (for the benches).
  std::size_t decoded_bytes() const;

 private:
  using Command = std::function<void(Mixer&)>;
  void post(Command command, bool needs_device);
  void render(float* out, std::size_t frames, double rate) override;
  void problem(const std::string& text);
  void open_device();

  Options options_;
  std::function<void(const std::string&)> on_problem_;
  std::map<std::string, std::uint16_t> exports_;  // window thread only
  std::set<const void*> owners_;                  // clips that started sounds; window thread
  // The gains last sent for each clip sounds were started through, or that
  // has a stream (null: the movie's alone); window thread.
  std::map<const void*, swf::SoundMix> heard_;

  mutable std::mutex mutex_;  // guards the members below
  std::vector<Command> queue_;
  std::map<const void*, StreamClock> clocks_;
  std::size_t decoded_bytes_ = 0;
  std::set<std::string> reported_;

  Mixer mixer_;  // the device thread's, once the device is open
  bool device_held_;            // window thread only, as the next
  bool device_wanted_ = false;  // something was posted while held
  std::uint64_t published_version_ = ~0ull;
  std::unique_ptr<Device> device_;  // last: stops before the rest goes
};

}  // namespace strandel::audio
