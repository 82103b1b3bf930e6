// Clip layers: content drawn through the coverage of a mask.
#pragma once

#include <cairo.h>

#include <functional>
#include <optional>

#include "swf/geometry.h"

namespace strandel::swf {

// A mask's known extent: a rectangle of twips under a matrix to device
// pixels, used to keep the offscreen groups small.
struct MaskBounds {
  Rect rect;
  Matrix to_device;
};

// Draws `content` on its own group, `mask` on another, and paints the first
// through the second's alpha. Both draw with their own matrices.
void draw_masked(cairo_t* cr, std::optional<MaskBounds> bounds,
                 const std::function<void()>& content, const std::function<void()>& mask);

}  // namespace strandel::swf
