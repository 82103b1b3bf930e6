// The movie's sounds as the mixer plays them: each DefineSound's bytes, and
// its samples decoded once, on first play and only as far as played, however
// many channels play it. Decoded samples of all sounds together stay under a
// cap; past it, sounds nothing plays are dropped (and decoded again if they
// play again), and a sound that alone would pass it plays up to the cap.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/decoder.h"
#include "swf/sound.h"

namespace strandel::audio {

// 64 MiB of 16-bit samples: over six minutes of 44.1 kHz stereo.
inline constexpr std::size_t kMaxDecodedBytes = 64u << 20;

class DecodedSound {
 public:
  DecodedSound(std::unique_ptr<Decoder> decoder, unsigned channels, double rate);

  // Decodes until frame `end` is there or the data ends; returns the frames
  // decoded so far. `budget` is the bytes the library still allows.
  std::size_t decode_to(std::size_t end, std::size_t& budget);
  bool complete() const { return !decoder_; }
  std::size_t frames() const { return samples_.size() / channels_; }
  const std::int16_t* frame(std::size_t i) const { return samples_.data() + i * channels_; }
  unsigned channels() const { return channels_; }
  double rate() const { return rate_; }

 private:
  std::unique_ptr<Decoder> decoder_;  // null once the data is used up
  std::vector<std::int16_t> samples_;
  unsigned channels_;
  double rate_;
};

class SoundLibrary {
 public:
  // `on_problem` hears, once per sound, why a sound cannot be played.
  explicit SoundLibrary(std::function<void(const std::string&)> on_problem = {});

  void define(const swf::SoundDefinition& sound);
  bool has(std::uint16_t id) const { return sounds_.count(id) != 0; }
  const swf::SoundDefinition* definition(std::uint16_t id) const;
  // The decoded sound, made on first use; null for a sound that cannot play.
  std::shared_ptr<DecodedSound> open(std::uint16_t id);
  // Decodes more of `sound` within the cap.
  std::size_t decode_to(DecodedSound& sound, std::size_t end);
  std::size_t decoded_bytes() const { return used_; }

 private:
  struct Entry {
    swf::SoundDefinition definition;
    std::shared_ptr<DecodedSound> decoded;
    bool reported = false;
  };
  void make_room();

  std::map<std::uint16_t, Entry> sounds_;
  std::size_t used_ = 0;  // bytes of decoded samples held
  std::function<void(const std::string&)> on_problem_;
};

}  // namespace strandel::audio
