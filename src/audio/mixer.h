// The mixer: every event sound and stream of a movie, added together and
// resampled to the device's rate. It runs on the sound thread only; the
// movie's side talks to it through MovieSound, which queues its calls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/event_channel.h"
#include "audio/sound_library.h"
#include "audio/stream_channel.h"
#include "swf/sound.h"

namespace strandel::audio {

// Event sounds that play at once; a new one past this ends the oldest.
inline constexpr std::size_t kMaxEventChannels = 32;

class Mixer {
 public:
  explicit Mixer(std::function<void(const std::string&)> on_problem = {});

  void define(const swf::SoundDefinition& sound) { library_.define(sound); }
  // Starts (or, with info.stop, stops) the sound with this id.
  void start(std::uint16_t id, const swf::SoundInfo& info, const swf::SoundMix& mix = {});
  void stop_all();
  // Ends the event sounds this clip's Sound objects started; the others
  // heard through it follow the movie's settings from now on.
  void stop_owner(const void* owner);
  // The sounds heard through `clip` and its stream play at these gains.
  void set_mix(const void* clip, const swf::SoundMix& mix);
  bool playing(std::uint16_t id) const;

  void stream_head(const void* timeline, const swf::StreamHead& head,
                   std::vector<swf::StreamBlock> blocks, double frame_rate);
  void stream_frame(const void* timeline, std::uint16_t frame);
  void stream_stop(const void* timeline);
  // The clocks of the streams playing now, by timeline.
  std::map<const void*, StreamClock> stream_clocks() const;
  // Changes whenever a stream starts or ends.
  std::uint64_t streams_version() const { return streams_version_; }

  // Writes `frames` stereo frames (left, right) at `device_rate` into `out`.
  void render(float* out, std::size_t frames, double device_rate);
  std::uint64_t frames_rendered() const { return rendered_; }
  bool idle() const;

  const SoundLibrary& library() const { return library_; }

 private:
  struct Stream {
    swf::StreamHead head;
    std::vector<swf::StreamBlock> blocks;
    double frame_rate = 0;
    int last_frame = -1;  // the frame the timeline showed last
    int played_to = -1;   // the last block's frame of a run that played out
    swf::SoundMix mix;    // the gains of its timeline's Sound settings
    std::unique_ptr<StreamChannel> channel;
  };
  void report(const std::string& problem);

  SoundLibrary library_;
  std::vector<EventChannel> events_;
  std::map<const void*, Stream> streams_;
  std::uint64_t rendered_ = 0;
  std::uint64_t streams_version_ = 0;
  std::function<void(const std::string&)> on_problem_;
};

}  // namespace strandel::audio
