#include "swf/sound.h"

#include "swf/tags.h"

namespace strandel::swf {

namespace {

// SoundRate field: 5.5 kHz is half of 11025.
constexpr double kRates[4] = {5512.5, 11025, 22050, 44100};

// The four format fields of DefineSound and the stream heads' low byte:
// SoundFormat UB[4], SoundRate UB[2], SoundSize UB[1], SoundType UB[1].
SoundFormat read_format(std::uint8_t bits) {
  SoundFormat f;
  f.codec = static_cast<SoundCodec>(bits >> 4);
  f.rate = kRates[(bits >> 2) & 3];
  f.sixteen_bit = (bits & 2) != 0;
  f.stereo = (bits & 1) != 0;
  return f;
}

constexpr std::uint8_t kSyncStop = 0x20, kSyncNoMultiple = 0x10, kHasEnvelope = 0x08,
                       kHasLoops = 0x04, kHasOutPoint = 0x02, kHasInPoint = 0x01;

}  // namespace

SoundDefinition read_define_sound(std::span<const std::uint8_t> body) {
  ByteReader in(body);
  SoundDefinition d;
  d.id = in.u16();
  d.format = read_format(in.u8());
  d.sample_count = in.u32();
  d.data = in.bytes(in.remaining());
  return d;
}

SoundInfo read_sound_info(ByteReader& in) {
  SoundInfo info;
  std::uint8_t flags = in.u8();
  info.stop = flags & kSyncStop;
  info.no_multiple = flags & kSyncNoMultiple;
  if (flags & kHasInPoint) info.in_point = in.u32();
  if (flags & kHasOutPoint) info.out_point = in.u32();
  if (flags & kHasLoops) info.loops = in.u16();
  if (flags & kHasEnvelope) {
    unsigned count = in.u8();  // at most 255 points
    info.envelope.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
      EnvelopePoint p;
      p.position44 = in.u32();
      p.left = in.u16();
      p.right = in.u16();
      info.envelope.push_back(p);
    }
  }
  return info;
}

StartSoundRecord read_start_sound(std::uint16_t tag_code, std::span<const std::uint8_t> body) {
  ByteReader in(body);
  StartSoundRecord r;
  if (tag_code == code(TagCode::StartSound2)) r.class_name = in.cstring();
  else r.id = in.u16();
  r.info = read_sound_info(in);
  return r;
}

ButtonSounds read_define_button_sound(std::span<const std::uint8_t> body) {
  ByteReader in(body);
  ButtonSounds b;
  b.button_id = in.u16();
  for (ButtonSound& s : b.on) {
    s.sound_id = in.u16();
    if (s.sound_id != 0) s.info = read_sound_info(in);
  }
  return b;
}

StreamHead read_stream_head(std::span<const std::uint8_t> body) {
  ByteReader in(body);
  StreamHead h;
  in.u8();  // the playback format: a hint for the player, not what the data holds
  h.format = read_format(in.u8());
  h.samples_per_block = in.u16();
  if (h.format.codec == SoundCodec::Mp3 && in.remaining() >= 2) h.latency_seek = in.s16();
  return h;
}

StreamBlock read_stream_block(const StreamHead& head, std::uint16_t frame,
                              std::span<const std::uint8_t> body) {
  ByteReader in(body);
  StreamBlock b;
  b.frame = frame;
  if (head.format.codec == SoundCodec::Mp3) {
    b.sample_count = in.u16();
    b.seek_samples = in.s16();
  } else {
    b.sample_count = head.samples_per_block;
  }
  b.data = in.bytes(in.remaining());
  return b;
}

std::vector<StreamBlock> collect_stream_blocks(const StreamHead& head,
                                               std::span<const std::uint8_t> bytes,
                                               std::span<const TagRecord> tags) {
  std::vector<StreamBlock> blocks;
  std::uint16_t frame = 0;
  for (const TagRecord& t : tags) {
    if (t.code == code(TagCode::End)) break;
    if (t.code == code(TagCode::ShowFrame)) {
      if (frame == UINT16_MAX) break;
      ++frame;
    } else if (t.code == code(TagCode::SoundStreamBlock)) {
      try {
        blocks.push_back(read_stream_block(head, frame, tag_body(bytes, t)));
      } catch (const ReadError&) {
      }
    }
  }
  return blocks;
}

}  // namespace strandel::swf
