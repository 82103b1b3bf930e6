// The pointer over a movie's buttons: which button it is over, the up, over
// and down states that follow, and the action blocks that run on a press and
// on a release inside the button (a menu's clicks); the other transitions
// change only what the button shows. Positions are stage twips.
#pragma once

#include <cstdint>
#include <optional>

namespace strandel::swf {

class Player;
struct DisplayObject;
struct SpriteInstance;

class ButtonInput {
 public:
  // Each returns true when a button changed its state, so the frame needs
  // drawing again (the actions it ran may have changed more).
  bool move(Player& player, double stage_x, double stage_y);
  bool press(Player& player);
  bool release(Player& player);
  // The pointer left the movie: whatever it was over goes back to up.
  bool leave(Player& player);

  bool over_button() const { return hovered_.has_value(); }

 private:
  // A button on the display list, found again by where it is placed: the
  // sprite holding it (null for the main timeline), its depth and character.
  struct Placement {
    const SpriteInstance* timeline;
    std::uint16_t depth;
    std::uint16_t character_id;
    bool operator==(const Placement&) const = default;
  };

  static DisplayObject* find(Player& player, const std::optional<Placement>& button);
  bool set_state(Player& player, const std::optional<Placement>& button, std::uint8_t state);
  void run(Player& player, const Placement& button, std::uint16_t condition);

  std::optional<Placement> hovered_;  // the button under the pointer
  std::optional<Placement> pressed_;  // the button the pointer went down on
  double x_ = 0, y_ = 0;
};

}  // namespace strandel::swf
