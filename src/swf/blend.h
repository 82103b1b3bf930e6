// Blend modes: how a display object's picture is combined with what lies
// beneath it (PlaceObject3, button records of DefineButton2).
#pragma once

#include <cairo.h>

#include <cstdint>

namespace strandel::swf {

// The values the file format stores; 0 and 1 both mean Normal.
enum class BlendMode : std::uint8_t {
  Normal = 1,
  Layer = 2,
  Multiply = 3,
  Screen = 4,
  Lighten = 5,
  Darken = 6,
  Difference = 7,
  Add = 8,
  Subtract = 9,
  Invert = 10,
  Alpha = 11,
  Erase = 12,
  Overlay = 13,
  HardLight = 14,
};

// The blend mode a stored byte names; values the format does not define
// blend as Normal.
BlendMode blend_mode_from_byte(std::uint8_t value);

// Alpha and Erase change the layer they are drawn on (its alpha) rather
// than add colour to it.
inline bool cuts_layer(BlendMode m) { return m == BlendMode::Alpha || m == BlendMode::Erase; }

// Paints `picture` (a group popped from cr, device-aligned with cr's
// target) onto cr's target in the given blend mode.
void composite(cairo_t* cr, cairo_pattern_t* picture, BlendMode mode);

}  // namespace strandel::swf
