// Drawing a display list with cairo: the walk over depths, sprites and
// buttons. Painting, text, masks and the shape cache have files of their own.
//
// Every matrix here maps twips of some space to device pixels; show_all
// gives the top-level one.
#pragma once

#include <cairo.h>

#include <cstddef>

#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/geometry.h"
#include "swf/shape_cache.h"

namespace strandel::swf {

// What one surface keeps between frames: images of shapes copied into
// later frames while their scale, rotation and colour transform stay the
// same (moving them is only a copy). Its memory is bounded.
class RenderCache {
 public:
  std::size_t pixels() const { return shapes_.pixels(); }  // held in cached images
  void clear() { shapes_.clear(); }
  ShapeCache& shapes() { return shapes_; }

 private:
  ShapeCache shapes_;
};

// Stage twips → device pixels: scaled to fit width_px × height_px while
// keeping the stage's aspect ratio, centred; the rest is letterbox.
Matrix show_all(Rect stage, int width_px, int height_px);

// Fills the whole surface with the background colour, then draws the display
// list under show_all, anti-aliased.
// With a cache, unchanged shapes are copied rather than drawn again.
void render_frame(cairo_t* cr, int width_px, int height_px, const Dictionary& dict,
                  const DisplayList& list, Rect stage, Rgba background,
                  RenderCache* cache = nullptr);

// Draws a display list under `to_device` (twips of the list's space → device
// pixels) and a colour transform, without clearing.
void render_display_list(cairo_t* cr, const Dictionary& dict, const DisplayList& list,
                         const Matrix& to_device, const ColorTransform& cxform = {},
                         RenderCache* cache = nullptr);

}  // namespace strandel::swf
