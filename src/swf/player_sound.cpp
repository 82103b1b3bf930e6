// The player's side of the movie's sound: buttons' sounds, stopAllSounds and
// the gains Sound objects set on clips and on the whole movie.
#include <algorithm>

#include "swf/player.h"
#include "swf/sound_events.h"
#include "swf/timeline.h"

namespace strandel::swf {

// Clips nest no deeper than this as far as their sound goes; a deeper one is
// heard with the settings of its innermost 256 clips and the movie's.
constexpr int kMaxSoundNesting = 256;

void Player::stop_all_sounds() {
  if (sound_) sound_->stop_all();
}

void Player::button_sound(const DisplayObject& button, ButtonSoundEvent event) {
  const ButtonDefinition* definition = dictionary_for(button).button(button.character_id);
  if (!sound_ || !definition) return;
  const ButtonSound& s = definition->sounds[static_cast<std::size_t>(event)];
  if (s.sound_id == 0) return;
  const DisplayObject* clip = button.parent ? button.parent : root_.get();
  sound_->start_sound({s.sound_id, {}, s.info, sound_mix(clip)});
}

// Volumes and gains are heard between 0 and 100%, whatever a script set;
// each transform routes the channels already mixed by the ones inside it.
// A Sound object names a gain by speaker then input (its `lr` plays the
// right input in the left speaker), a SoundMix by input then output (its
// `rl` takes the right input to the left output).
SoundMix Player::sound_mix(const DisplayObject* clip) const {
  SoundMix mix;
  double volume = 1;
  auto apply = [&](const SoundTransform& t) {
    auto unit = [](std::int32_t percent) { return std::clamp(percent, 0, 100) / 100.0; };
    volume *= unit(t.volume);
    double ll = unit(t.ll), rl = unit(t.rl), lr = unit(t.lr), rr = unit(t.rr);
    SoundMix m = mix;
    mix.ll = static_cast<float>(ll * m.ll + lr * m.lr);
    mix.rl = static_cast<float>(ll * m.rl + lr * m.rr);
    mix.lr = static_cast<float>(rl * m.ll + rr * m.lr);
    mix.rr = static_cast<float>(rl * m.rl + rr * m.rr);
  };
  int depth = 0;
  for (const DisplayObject* p = clip; p && depth < kMaxSoundNesting; p = p->parent, ++depth)
    apply(p->sound);
  apply(global_sound_);
  for (float* gain : {&mix.ll, &mix.rl, &mix.lr, &mix.rr}) *gain *= static_cast<float>(volume);
  mix.clip = clip;
  return mix;
}

std::vector<std::pair<const void*, std::uint16_t>> Player::streaming_timelines() const {
  std::vector<std::pair<const void*, std::uint16_t>> found;
  for (const auto& weak : exec_) {
    auto clip = weak.lock();
    if (!clip || clip->removed || !clip->sprite || !clip->sprite->playing) continue;
    if (const Timeline* t = timeline_of(*clip); t && t->has_stream())
      found.emplace_back(clip.get(), clip->sprite->current_frame);
  }
  return found;
}

// Sounds play through the movie as a whole or through a clip, and every clip
// that can have sounds runs a timeline; the sound side passes on only the
// changes for clips whose sounds still play.
void Player::remix_sounds() {
  remix_sounds_ = false;
  if (!sound_) return;
  sound_->set_mix(nullptr, sound_mix(nullptr));
  for (const auto& weak : exec_)
    if (auto clip = weak.lock(); clip && !clip->removed)
      sound_->set_mix(clip.get(), sound_mix(clip.get()));
}

}  // namespace strandel::swf
