// A timeline's streaming sound, playing from one block on through the blocks
// of the frames that follow without a gap. Its samples are decoded as they
// play and dropped once played; nothing of a stream is kept.
//
// The clock says which frame is heard: the channel knows on which device
// frame its first sample went out, and each block's frame and sample count.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "audio/decoder.h"
#include "swf/sound.h"

namespace strandel::audio {

struct StreamClock {
  std::uint64_t origin = 0;     // device frame on which the first sample went out
  double rate = 44100;          // the stream's samples a second
  double skipped = 0;           // samples of the first block not played (its seek)
  double samples_per_frame = 0;  // a frame's worth, for blocks that say nothing
  struct Mark {
    std::uint16_t frame;
    double first_sample;  // stream samples before this block
  };
  std::vector<Mark> marks;  // one per block played, in order

  // The frame heard once the device has played `device_frames` frames at
  // `device_rate`. Before the first sample is heard, the first block's frame.
  std::uint32_t heard_frame(double device_frames, double device_rate) const;
};

class StreamChannel {
 public:
  // Plays `blocks` from index `first` on; `frame_rate` gives a frame's worth
  // of samples for blocks that declare none. Null when nothing can play.
  static std::unique_ptr<StreamChannel> start(const swf::StreamHead& head,
                                              std::span<const swf::StreamBlock> blocks,
                                              std::size_t first, double frame_rate,
                                              std::uint64_t device_frame, std::string* why);

  // Adds up to `frames` stereo frames into `out` at `mix`'s gains; false
  // once the blocks are played.
  bool render(float* out, std::size_t frames, double device_rate, const swf::SoundMix& mix);
  const StreamClock& clock() const { return clock_; }

 private:
  StreamChannel(std::unique_ptr<Decoder> decoder, unsigned channels, StreamClock clock);
  bool fill(std::size_t k);

  std::unique_ptr<Decoder> decoder_;
  unsigned channels_;
  StreamClock clock_;
  std::vector<std::int16_t> buffer_;  // decoded frames from buffer_start_ on
  std::size_t buffer_start_ = 0;
  double pos_ = 0;  // stream frame being played
  bool ended_ = false;
};

}  // namespace strandel::audio
