#include "audio/decoder.h"

namespace strandel::audio {

using swf::SoundCodec;

std::unique_ptr<Decoder> make_decoder(const swf::SoundFormat& format, Chunks chunks,
                                      std::string* why) {
  switch (format.codec) {
    case SoundCodec::NativePcm:
    case SoundCodec::LittleEndianPcm: return make_pcm_decoder(format, std::move(chunks));
    case SoundCodec::Adpcm: return make_adpcm_decoder(format, std::move(chunks));
    case SoundCodec::Mp3: return make_mp3_decoder(format, std::move(chunks));
    case SoundCodec::ALaw:
    case SoundCodec::MuLaw: return make_g711_decoder(format, std::move(chunks));
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser:
      if (why) *why = "Nellymoser sound is not played";
      return nullptr;
    case SoundCodec::Speex:
      if (why) *why = "Speex sound is not decoded";
      return nullptr;
  }
  if (why) *why = "unknown sound format " + std::to_string(static_cast<int>(format.codec));
  return nullptr;
}

}  // namespace strandel::audio
