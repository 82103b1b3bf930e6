// Text: static text records set in a movie's own fonts, and edit text
// fields laid out in lines (embedded outlines or a system font).
#pragma once

#include <cairo.h>

#include "swf/dictionary.h"
#include "swf/font.h"
#include "swf/geometry.h"
#include "swf/paint.h"

namespace strandel::swf {

// DefineText and DefineText2: each run's glyphs, filled in its colour.
void draw_static_text(cairo_t* cr, const Dictionary& dict, const TextDefinition& t, const Matrix& m,
                      const ColorTransform& cx, PaintMode mode);

// DefineEditText: border and background, then the text in lines, clipped
// to the field's bounds.
void draw_edit_text(cairo_t* cr, const Dictionary& dict, const EditTextDefinition& e,
                    const Matrix& m, const ColorTransform& cx);

}  // namespace strandel::swf
