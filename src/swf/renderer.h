// Drawing a display list with cairo: the walk over depths, sprites and
// buttons. Painting, text, masks and the shape cache have files of their own.
//
// Every matrix here maps twips of some space to device pixels; show_all
// gives the top-level one.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <string>

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

// How the stage fills the area it is shown in, as the control's scale
// setting names it.
enum class ScaleMode {
  ShowAll,   // all of it, aspect kept, letterboxed
  NoBorder,  // all of the area, aspect kept, the stage cut
  ExactFit,  // all of both, stretched
  NoScale,   // one stage pixel a device pixel, centred
};

// The scale mode a setting names (any case); ShowAll for anything else.
ScaleMode scale_mode_named(const std::string& name);

// Stage twips → device pixels under a scale mode.
Matrix stage_transform(Rect stage, int width_px, int height_px, ScaleMode mode);

// How a frame is drawn: the control's scale and quality settings.
struct RenderOptions {
  ScaleMode scale = ScaleMode::ShowAll;
  bool antialias = true;  // quality "Low" draws without
};

// The quality a setting names (Low, Medium, High, Best, AutoLow, AutoHigh,
// any case): anti-aliased except Low and AutoLow.
bool antialias_for_quality(const std::string& quality);

// Fills the whole surface with the background colour, then draws the display
// list under the scale mode's transform.
// With a cache, unchanged shapes are copied rather than drawn again.
void render_frame(cairo_t* cr, int width_px, int height_px, const Dictionary& dict,
                  const DisplayList& list, Rect stage, Rgba background,
                  RenderCache* cache = nullptr, const RenderOptions& options = {});

// Draws a display list under `to_device` (twips of the list's space → device
// pixels) and a colour transform, without clearing.
void render_display_list(cairo_t* cr, const Dictionary& dict, const DisplayList& list,
                         const Matrix& to_device, const ColorTransform& cxform = {},
                         RenderCache* cache = nullptr);

// Draws what an object shows (its drawing, children, character or bitmap)
// under `to_device` (twips of the object's own space → device pixels),
// leaving out its own matrix, colour transform and effects.
void render_object(cairo_t* cr, const Dictionary& dict, const DisplayObject& obj,
                   const Matrix& to_device, const ColorTransform& cxform = {});

}  // namespace strandel::swf
