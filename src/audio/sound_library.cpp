#include "audio/sound_library.h"

#include <algorithm>

namespace strandel::audio {

namespace {

// Frames decoded at a time, so that a decode stays short on the sound thread.
constexpr std::size_t kDecodeStepFrames = 4096;
// An MP3 DefineSound starts with SeekSamples (2 bytes) before its frames.
constexpr std::size_t kMp3SeekBytes = 2;

}  // namespace

DecodedSound::DecodedSound(std::unique_ptr<Decoder> decoder, unsigned channels, double rate)
    : decoder_(std::move(decoder)), channels_(channels), rate_(rate) {}

std::size_t DecodedSound::decode_to(std::size_t end, std::size_t& budget) {
  while (decoder_ && frames() < end) {
    std::size_t want = std::min(end - frames(), kDecodeStepFrames);
    if (want * channels_ * sizeof(std::int16_t) > budget) {
      decoder_.reset();  // the cap: what is decoded is what plays
      break;
    }
    std::size_t got = decoder_->decode(samples_, want);
    budget -= std::min(budget, got * channels_ * sizeof(std::int16_t));
    if (got == 0) {
      decoder_.reset();
      break;
    }
    rate_ = decoder_->rate();
  }
  return frames();
}

SoundLibrary::SoundLibrary(std::function<void(const std::string&)> on_problem)
    : on_problem_(std::move(on_problem)) {}

void SoundLibrary::define(const swf::SoundDefinition& sound) {
  Entry& e = sounds_[sound.id];
  if (e.decoded) used_ -= std::min(used_, e.decoded->frames() * e.decoded->channels() * 2);
  e = Entry{sound, nullptr, false};
}

const swf::SoundDefinition* SoundLibrary::definition(std::uint16_t id) const {
  auto it = sounds_.find(id);
  return it == sounds_.end() ? nullptr : &it->second.definition;
}

std::shared_ptr<DecodedSound> SoundLibrary::open(std::uint16_t id) {
  auto it = sounds_.find(id);
  if (it == sounds_.end()) return nullptr;
  Entry& e = it->second;
  if (e.decoded) return e.decoded;
  const swf::SoundDefinition& d = e.definition;
  auto data = d.data;
  if (d.format.codec == swf::SoundCodec::Mp3) data = data.subspan(std::min(data.size(), kMp3SeekBytes));
  std::string why;
  auto decoder = make_decoder(d.format, {data}, &why);
  if (!decoder) {
    if (!e.reported && on_problem_) on_problem_("sound " + std::to_string(id) + ": " + why);
    e.reported = true;
    return nullptr;
  }
  e.decoded = std::make_shared<DecodedSound>(std::move(decoder), d.format.channels(), d.format.rate);
  return e.decoded;
}

std::size_t SoundLibrary::decode_to(DecodedSound& sound, std::size_t end) {
  if (sound.complete() || sound.frames() >= end) return sound.frames();
  if (used_ + kDecodeStepFrames * 4 > kMaxDecodedBytes) make_room();
  std::size_t budget = kMaxDecodedBytes - std::min(kMaxDecodedBytes, used_);
  std::size_t before = budget;
  std::size_t frames = sound.decode_to(end, budget);
  used_ += before - budget;
  return frames;
}

// Drops the decoded samples of the sounds no channel holds.
void SoundLibrary::make_room() {
  for (auto& [id, e] : sounds_) {
    if (e.decoded && e.decoded.use_count() == 1) {
      used_ -= std::min(used_, e.decoded->frames() * e.decoded->channels() * 2);
      e.decoded.reset();
    }
  }
}

}  // namespace strandel::audio
