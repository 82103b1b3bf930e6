// Drawing text: static text records set in a movie's own fonts, and text
// fields from their model's layout.
#pragma once

#include <cairo.h>

#include "swf/dictionary.h"
#include "swf/font.h"
#include "swf/geometry.h"
#include "swf/paint.h"
#include "swf/text_field.h"

namespace strandel::swf {

// DefineText and DefineText2: each run's glyphs, filled in its colour.
void draw_static_text(cairo_t* cr, const Dictionary& dict, const TextDefinition& t, const Matrix& m,
                      const ColorTransform& cx, PaintMode mode);

// A text field: background and border, then its laid-out text clipped to
// its bounds. `m` maps the field's twips to device pixels.
void draw_text_field(cairo_t* cr, const TextField& field, const Matrix& m, const ColorTransform& cx,
                     PaintMode mode);

}  // namespace strandel::swf
