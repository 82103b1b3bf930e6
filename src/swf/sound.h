// Sound records: DefineSound, the SOUNDINFO record of StartSound, StartSound2
// and DefineButtonSound, SoundStreamHead/SoundStreamHead2 and the blocks of a
// timeline's streaming sound. The sample bytes stay in the movie's bytes; the
// audio module decodes them. Readers throw ReadError on data that ends early.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/bytes.h"
#include "swf/movie.h"

namespace strandel::swf {

// The SoundFormat field. Nellymoser and Speex are named so they can be told
// apart from damaged data; the audio module says which it decodes.
enum class SoundCodec : std::uint8_t {
  NativePcm = 0,  // uncompressed, written little-endian in practice
  Adpcm = 1,
  Mp3 = 2,
  LittleEndianPcm = 3,
  Nellymoser16k = 4,
  Nellymoser8k = 5,
  Nellymoser = 6,
  ALaw = 7,
  MuLaw = 8,
  Speex = 11,
};

struct SoundFormat {
  SoundCodec codec = SoundCodec::NativePcm;
  double rate = 5512.5;  // samples a second: 5512.5, 11025, 22050 or 44100
  bool sixteen_bit = false;
  bool stereo = false;
  unsigned channels() const { return stereo ? 2 : 1; }
};

// DefineSound.
struct SoundDefinition {
  std::uint16_t id = 0;
  SoundFormat format;
  std::uint32_t sample_count = 0;       // as declared; the data may disagree
  std::span<const std::uint8_t> data;  // into the movie's bytes
};

// An envelope point: a position in 44.1 kHz samples and the left and right
// levels, 0 (silent) to 32768 (full).
struct EnvelopePoint {
  std::uint32_t position44 = 0;
  std::uint16_t left = 32768, right = 32768;
};

// SOUNDINFO: how one play of an event sound goes. In and out points are
// counted in 44.1 kHz samples, whatever the sound's own rate.
struct SoundInfo {
  bool stop = false;         // SyncStop: stop the sound instead of starting it
  bool no_multiple = false;  // SyncNoMultiple: not again while it plays
  std::optional<std::uint32_t> in_point, out_point;
  std::uint16_t loops = 1;  // plays this many times; 0 counts as once
  std::vector<EnvelopePoint> envelope;
};

// How a sound goes into the mix: the gains (0..1) of its left and right
// channels into the left and right outputs; the clip whose Sound settings it
// follows while it plays (null: the movie's alone); and the clip
// whose Sound object started it (it ends when that clip leaves the stage;
// null: it plays on).
struct SoundMix {
  float ll = 1, rl = 0, lr = 0, rr = 1;
  const void* clip = nullptr;
  const void* owner = nullptr;

  bool same_gains(const SoundMix& o) const {
    return ll == o.ll && rl == o.rl && lr == o.lr && rr == o.rr;
  }
};

// StartSound, StartSound2: the sound to start (by id, or by class name for
// StartSound2) and how.
struct StartSoundRecord {
  std::uint16_t id = 0;
  std::string class_name;
  SoundInfo info;
  SoundMix mix;
};

// DefineButtonSound: one sound per transition, in the record's order.
enum class ButtonSoundEvent : std::uint8_t { RollOut = 0, RollOver = 1, Press = 2, Release = 3 };
struct ButtonSound {
  std::uint16_t sound_id = 0;  // 0: none
  SoundInfo info;
};
struct ButtonSounds {
  std::uint16_t button_id = 0;
  std::array<ButtonSound, 4> on;  // indexed by ButtonSoundEvent
};

// SoundStreamHead, SoundStreamHead2.
struct StreamHead {
  SoundFormat format;                  // the stream's compressed format
  std::uint16_t samples_per_block = 0;  // a frame's worth, as declared
  std::int16_t latency_seek = 0;        // MP3 only
};

// One SoundStreamBlock of a timeline: the frame it belongs to (0-based), its
// sample count and leading samples to skip (MP3 only), and its bytes.
struct StreamBlock {
  std::uint16_t frame = 0;
  std::uint16_t sample_count = 0;
  std::int16_t seek_samples = 0;
  std::span<const std::uint8_t> data;
};

// Readers of the bodies (the tag header already removed).
SoundDefinition read_define_sound(std::span<const std::uint8_t> body);
SoundInfo read_sound_info(ByteReader& in);
StartSoundRecord read_start_sound(std::uint16_t tag_code, std::span<const std::uint8_t> body);
ButtonSounds read_define_button_sound(std::span<const std::uint8_t> body);
StreamHead read_stream_head(std::span<const std::uint8_t> body);
// A block of the given stream; for MP3 its sample count and seek come first.
StreamBlock read_stream_block(const StreamHead& head, std::uint16_t frame,
                              std::span<const std::uint8_t> body);

// The SoundStreamBlock tags of one timeline's tag list (offsets into
// `bytes`), with the frame each belongs to; blocks that cannot be read are
// left out.
std::vector<StreamBlock> collect_stream_blocks(const StreamHead& head,
                                               std::span<const std::uint8_t> bytes,
                                               std::span<const TagRecord> tags);

}  // namespace strandel::swf
