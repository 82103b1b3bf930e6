// Drawing a display list with cairo, and finding the button under a point.
//
// Every matrix here maps twips of some space to device pixels (or to stage
// twips for hit testing); show_all gives the top-level one.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>

#include "swf/button.h"
#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/geometry.h"

namespace strandel::swf {

// Shapes drawn earlier, kept as small images and copied into later frames
// while their scale, rotation and colour transform stay the same (moving
// them is only a copy). One cache serves one surface; its memory is bounded.
class RenderCache {
 public:
  RenderCache();
  ~RenderCache();
  RenderCache(const RenderCache&) = delete;
  RenderCache& operator=(const RenderCache&) = delete;

  std::size_t pixels() const;  // held in cached images
  void clear();

  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
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

// The topmost button whose hit-test shapes contain a point.
struct ButtonHit {
  DisplayObject* object = nullptr;  // its state is what the caller changes
  const ButtonDefinition* button = nullptr;
  SpriteInstance* timeline = nullptr;  // the sprite holding it; null on the main timeline
  explicit operator bool() const { return object != nullptr; }
};

// stage_x, stage_y are stage twips (the top-level list's space); clip
// layers are not hit.
ButtonHit button_at(const Dictionary& dict, DisplayList& list, double stage_x, double stage_y);

// The inverse of an affine matrix; false when it has none.
bool invert(const Matrix& m, Matrix& inverse);

}  // namespace strandel::swf
