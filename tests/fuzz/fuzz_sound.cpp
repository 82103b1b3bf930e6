// Sound records and decoders on hostile bytes: the first bytes choose the
// format and a sound-info record, the rest is the sound's data, played
// through the mixer for a bounded time.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "audio/mixer.h"
#include "swf/bytes.h"
#include "swf/sound.h"

namespace {

// Output frames mixed per input: a quarter second at 44.1 kHz.
constexpr std::size_t kFramesMixed = 11025;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace strandel;
  std::span<const std::uint8_t> bytes(data, size);
  if (bytes.size() < 8) return 0;
  // The records' readers on the same bytes.
  try {
    swf::read_define_button_sound(bytes);
  } catch (const swf::ReadError&) {
  }
  try {
    swf::StreamHead head = swf::read_stream_head(bytes);
    swf::read_stream_block(head, 0, bytes.subspan(4));
  } catch (const swf::ReadError&) {
  }
  swf::SoundDefinition sound;
  swf::SoundInfo info;
  try {
    sound = swf::read_define_sound(bytes);
    swf::ByteReader in(bytes.subspan(7));
    info = swf::read_sound_info(in);
  } catch (const swf::ReadError&) {
    return 0;
  }
  audio::Mixer mixer;
  mixer.define(sound);
  mixer.start(sound.id, info);
  std::vector<swf::StreamBlock> blocks{{0, 1152, 0, sound.data}, {1, 1152, 0, sound.data}};
  const int timeline = 0;
  mixer.stream_head(&timeline, {sound.format, 1152, 0}, blocks, 12);
  mixer.stream_frame(&timeline, 0);
  std::vector<float> out(2 * 1024);
  for (std::size_t done = 0; done < kFramesMixed && !mixer.idle(); done += 1024)
    mixer.render(out.data(), 1024, 44100);
  return 0;
}
