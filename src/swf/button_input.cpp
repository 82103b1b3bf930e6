#include "swf/button_input.h"

#include "swf/hit_test.h"
#include "swf/player.h"

namespace strandel::swf {

namespace {

constexpr std::uint8_t kUp = static_cast<std::uint8_t>(ButtonState::Up);
constexpr std::uint8_t kOver = static_cast<std::uint8_t>(ButtonState::Over);
constexpr std::uint8_t kDown = static_cast<std::uint8_t>(ButtonState::Down);

}  // namespace

DisplayObject* ButtonInput::find(Player& player, const std::optional<Placement>& button) {
  if (!button) return nullptr;
  DisplayList* list = player.display_list_of(button->timeline);
  if (!list) return nullptr;
  auto it = list->find(button->depth);
  if (it == list->end() || it->second.character_id != button->character_id) return nullptr;
  return &it->second;
}

bool ButtonInput::set_state(Player& player, const std::optional<Placement>& button,
                            std::uint8_t state) {
  DisplayObject* object = find(player, button);
  if (!object || static_cast<std::uint8_t>(object->button_state) == state) return false;
  object->button_state = static_cast<ButtonState>(state);
  return true;
}

void ButtonInput::run(Player& player, const Placement& button, std::uint16_t condition) {
  const ButtonDefinition* definition = player.dictionary().button(button.character_id);
  if (!definition) return;
  // Copied first: the actions may change the display list and the dictionary
  // lookups that point into it.
  std::vector<std::span<const std::uint8_t>> blocks;
  for (const ButtonAction& action : definition->actions)
    if (action.conditions & condition) blocks.push_back(action.actions);
  for (auto block : blocks) player.run_actions(block, button.timeline);
}

bool ButtonInput::move(Player& player, double stage_x, double stage_y) {
  x_ = stage_x;
  y_ = stage_y;
  std::optional<Placement> under;
  ButtonHit hit = button_at(player.dictionary(), *player.display_list_of(nullptr), x_, y_);
  if (DisplayList* list = hit ? player.display_list_of(hit.timeline) : nullptr) {
    for (auto& [depth, object] : *list)
      if (&object == hit.object) under = Placement{hit.timeline, depth, object.character_id};
  }
  if (under == hovered_) return false;

  bool changed = false;
  std::optional<Placement> left = hovered_;
  hovered_ = under;
  if (pressed_) {
    // Dragging with the button held: the pressed button shows down while the
    // pointer is over it, over while it is outside.
    if (left == pressed_) {
      changed |= set_state(player, pressed_, kOver);
    } else if (under == pressed_) {
      changed |= set_state(player, pressed_, kDown);
    }
    return changed;
  }
  if (left && set_state(player, left, kUp)) {
    changed = true;
    player.button_sound(left->character_id, ButtonSoundEvent::RollOut);
  }
  if (under && set_state(player, under, kOver)) {
    changed = true;
    player.button_sound(under->character_id, ButtonSoundEvent::RollOver);
  }
  return changed;
}

bool ButtonInput::press(Player& player) {
  if (!hovered_ || pressed_) return false;
  pressed_ = hovered_;
  bool changed = set_state(player, pressed_, kDown);
  player.button_sound(pressed_->character_id, ButtonSoundEvent::Press);
  run(player, *pressed_, button_condition::OverUpToOverDown);
  return changed;
}

bool ButtonInput::release(Player& player) {
  if (!pressed_) return false;
  Placement button = *pressed_;
  pressed_.reset();
  if (hovered_ == button) {
    bool changed = set_state(player, button, kOver);
    player.button_sound(button.character_id, ButtonSoundEvent::Release);
    run(player, button, button_condition::OverDownToOverUp);
    return changed;
  }
  bool changed = set_state(player, button, kUp);
  // The pointer may have come to rest over another button meanwhile.
  if (hovered_) changed |= set_state(player, hovered_, kOver);
  return changed;
}

bool ButtonInput::leave(Player& player) {
  bool changed = false;
  if (!pressed_ && hovered_) {
    changed = set_state(player, hovered_, kUp);
  }
  hovered_.reset();
  return changed;
}

}  // namespace strandel::swf
