// The display list: what is on the stage (or inside a sprite) at the current
// frame, keyed by depth and drawn from the lowest depth up.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "swf/geometry.h"

namespace strandel::swf {

// Button states, with the bit values that ButtonRecord uses for them.
enum class ButtonState : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };

struct SpriteInstance;

struct DisplayObject {
  std::uint16_t character_id = 0;
  Matrix matrix;
  ColorTransform cxform;
  std::uint16_t clip_depth = 0;  // non-zero: this object masks depths up to clip_depth
  std::uint16_t ratio = 0;
  std::string name;
  // Set when the character is a sprite: its own timeline and display list.
  std::shared_ptr<SpriteInstance> sprite;
  // Used when the character is a button.
  ButtonState button_state = ButtonState::Up;
};

using DisplayList = std::map<std::uint16_t, DisplayObject>;  // by depth

struct SpriteInstance {
  DisplayList display_list;
  std::uint16_t current_frame = 0;  // 1-based once the first frame has been shown
  bool playing = true;
};

}  // namespace strandel::swf
