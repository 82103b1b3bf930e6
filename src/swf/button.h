// Buttons: DefineButton, DefineButton2 and DefineButtonCxform. A button is
// a small set of characters shown per state (up, over, down) plus the shapes
// that define where the pointer hits it, and action blocks run on state
// transitions. The actions stay bytes here; the player runs them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "swf/blend.h"
#include "swf/bytes.h"
#include "swf/display_list.h"
#include "swf/filters.h"
#include "swf/geometry.h"
#include "swf/sound.h"

namespace strandel::swf {

struct ButtonRecord {
  std::uint8_t states = 0;  // ButtonState bits: Up 1, Over 2, Down 4, HitTest 8
  std::uint16_t character_id = 0;
  std::uint16_t depth = 0;
  Matrix matrix;
  ColorTransform cxform;  // DefineButton2 only, as are the next two
  std::vector<Filter> filters;
  BlendMode blend_mode = BlendMode::Normal;

  bool shown_in(ButtonState s) const { return (states & static_cast<std::uint8_t>(s)) != 0; }
};

// Transition conditions of a BUTTONCONDACTION as one number: the record's
// first flag byte in the high byte (CondIdleToOverDown in the top bit), its
// second in the low byte (key code in bits 7..1, CondOverDownToIdle in bit 0).
namespace button_condition {
constexpr std::uint16_t IdleToOverUp = 0x0100, OverUpToIdle = 0x0200,
                        OverUpToOverDown = 0x0400, OverDownToOverUp = 0x0800,
                        OverDownToOutDown = 0x1000, OutDownToOverDown = 0x2000,
                        OutDownToIdle = 0x4000, IdleToOverDown = 0x8000,
                        OverDownToIdle = 0x0001;
constexpr std::uint8_t key_code(std::uint16_t conditions) { return (conditions >> 1) & 0x7F; }
}  // namespace button_condition

struct ButtonAction {
  std::uint16_t conditions = button_condition::OverDownToOverUp;
  std::span<const std::uint8_t> actions;  // into the movie's bytes, up to and with ActionEndFlag
};

struct ButtonDefinition {
  std::vector<ButtonRecord> records;  // sorted by depth, the order they are drawn in
  std::vector<ButtonAction> actions;
  bool track_as_menu = false;
  ColorTransform cxform;  // from DefineButtonCxform, applied to every state
  std::array<ButtonSound, 4> sounds;  // from DefineButtonSound, by ButtonSoundEvent
};

// Readers start after the button id; throw ReadError on bad data.
// DefineButton's one action block runs on release inside the button.
ButtonDefinition read_define_button(ByteReader& in);
ButtonDefinition read_define_button2(ByteReader& in);

}  // namespace strandel::swf
