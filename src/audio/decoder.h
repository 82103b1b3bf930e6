// Decoders turn a sound's bytes into 16-bit PCM, a piece at a time, so a long
// sound is decoded only as far as it is played. One file per format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/sound.h"

namespace strandel::audio {

using Chunks = std::vector<std::span<const std::uint8_t>>;

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Appends about `frames` frames (interleaved, channels() samples each) to
  // `out` and returns how many it appended; 0 once the data is used up.
  virtual std::size_t decode(std::vector<std::int16_t>& out, std::size_t frames) = 0;
  // Samples a second of what decode() gives; an MP3 decoder learns it from
  // its first frame, so ask after the first decode().
  virtual double rate() const = 0;
};

// A decoder for `format` over the chunks, which are played one after the
// other: the whole data of a DefineSound, or the blocks of a stream. Each
// chunk of ADPCM starts its own packets, as stream blocks do. Null, with the
// reason in `why`, for the formats this program cannot decode.
std::unique_ptr<Decoder> make_decoder(const swf::SoundFormat& format, Chunks chunks,
                                      std::string* why);

// The per-format constructors make_decoder picks from.
std::unique_ptr<Decoder> make_pcm_decoder(const swf::SoundFormat& format, Chunks chunks);
std::unique_ptr<Decoder> make_adpcm_decoder(const swf::SoundFormat& format, Chunks chunks);
std::unique_ptr<Decoder> make_mp3_decoder(const swf::SoundFormat& format, Chunks chunks);
std::unique_ptr<Decoder> make_g711_decoder(const swf::SoundFormat& format, Chunks chunks);

}  // namespace strandel::audio
