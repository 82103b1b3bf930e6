// One play of an event sound: from its in point to its out point, as many
// times as its loop count says, through its envelope, resampled to the
// device's rate and added into the mix.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/sound_library.h"
#include "swf/sound.h"

namespace strandel::audio {

class EventChannel {
 public:
  EventChannel(std::uint16_t id, std::shared_ptr<DecodedSound> sound, swf::SoundInfo info,
               swf::SoundMix mix = {});

  // Adds up to `frames` stereo frames into `out`; false once the sound has
  // played out (the rest of `out` is left alone).
  bool render(SoundLibrary& library, float* out, std::size_t frames, double device_rate);

  std::uint16_t id() const { return id_; }
  const void* owner() const { return mix_.owner; }
  const void* clip() const { return mix_.clip; }
  void follow(const void* clip) { mix_.clip = clip; }
  // The gains of `mix` from the next frame on (its clip and owner stay).
  void set_gains(const swf::SoundMix& mix);
  // Milliseconds into the sound (in the current loop).
  double position_ms() const;

 private:
  std::uint16_t id_;
  std::shared_ptr<DecodedSound> sound_;
  swf::SoundInfo info_;
  swf::SoundMix mix_;
  double begin_ = 0, end_ = 0;  // source frames; end_ 0: to the end of the data
  double pos_ = 0;              // source frame being played
  unsigned loops_left_;
  bool loop_played_ = false;  // the current loop gave at least one frame
};

}  // namespace strandel::audio
