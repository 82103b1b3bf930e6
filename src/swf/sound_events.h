// What the player tells the movie's sound, and the one thing it asks of it.
// The audio module implements this; the player holds it as an optional
// pointer and works the same without one (a silent movie).
//
// A timeline is named by an opaque key that stays the same while the
// timeline lives (the main timeline's or a placed sprite's instance).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/sound.h"

namespace strandel::swf {

class SoundEvents {
 public:
  virtual ~SoundEvents() = default;

  // DefineSound was read; the bytes stay valid while the movie lives.
  virtual void define_sound(const SoundDefinition& sound) = 0;
  // ExportAssets named a character (sounds are started by name too).
  virtual void export_name(std::uint16_t id, const std::string& name) = 0;
  // StartSound, StartSound2 and button sounds; also "stop" (info.stop).
  virtual void start_sound(const StartSoundRecord& start) = 0;
  // stopAllSounds: every event sound and stream ends.
  virtual void stop_all() = 0;
  // A clip left the stage: the sounds its Sound objects started end, and
  // the others it started keep the gains they have.
  virtual void stop_owner(const void* owner) = 0;
  // The Sound settings that `clip`'s sounds follow changed: the sounds
  // playing through it (mix.clip) and its stream play at `mix`'s gains now.
  virtual void set_mix(const void* clip, const SoundMix& mix) = 0;

  // A timeline met its SoundStreamHead: the stream's format and every block
  // the timeline holds, with their frames (0-based).
  virtual void stream_head(const void* timeline, const StreamHead& head,
                           std::vector<StreamBlock> blocks) = 0;
  // The timeline shows `frame` (0-based) while playing: a stream keeps going
  // if that is where it is, and starts there (or starts again, after a jump)
  // otherwise.
  virtual void stream_frame(const void* timeline, std::uint16_t frame) = 0;
  // The timeline stopped or went away: its stream falls silent.
  virtual void stream_stop(const void* timeline) = 0;
  // The frame (0-based) the timeline's stream is heard at now, when it has a
  // stream playing; the timeline follows it so picture and sound stay in step.
  virtual std::optional<std::uint32_t> stream_heard_frame(const void* timeline) = 0;
};

}  // namespace strandel::swf
