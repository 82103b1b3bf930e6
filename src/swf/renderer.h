// Drawing a display list with cairo, and finding the button under a point.
//
// Every matrix here maps twips of some space to device pixels (or to stage
// twips for hit testing); show_all gives the top-level one.
#pragma once

#include <cairo.h>

#include "swf/button.h"
#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/geometry.h"

namespace strandel::swf {

// Stage twips → device pixels: scaled to fit width_px × height_px while
// keeping the stage's aspect ratio, centred; the rest is letterbox.
Matrix show_all(Rect stage, int width_px, int height_px);

// Fills the whole surface with the background colour, then draws the display
// list under show_all, anti-aliased.
void render_frame(cairo_t* cr, int width_px, int height_px, const Dictionary& dict,
                  const DisplayList& list, Rect stage, Rgba background);

// Draws a display list under `to_device` (twips of the list's space → device
// pixels) and a colour transform, without clearing.
void render_display_list(cairo_t* cr, const Dictionary& dict, const DisplayList& list,
                         const Matrix& to_device, const ColorTransform& cxform = {});

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
