// The small records that many tags share: RECT, MATRIX, CXFORM and colours.
// Each reader starts on a byte boundary and leaves the reader on one, as the
// format pads every packed record to a whole byte. A record that runs past
// the data throws ReadError (see bytes.h).
#pragma once

#include "swf/bytes.h"
#include "swf/geometry.h"

namespace strandel::swf {

Rect read_rect(ByteReader& in);
Matrix read_matrix(ByteReader& in);
// CXFORM: multiply and add terms for red, green and blue; alpha is left alone.
ColorTransform read_cxform(ByteReader& in);
// CXFORMWITHALPHA: the same with an alpha term.
ColorTransform read_cxform_with_alpha(ByteReader& in);
Rgba read_rgb(ByteReader& in);   // alpha 255
Rgba read_rgba(ByteReader& in);  // r, g, b, a
Rgba read_argb(ByteReader& in);  // a, r, g, b

}  // namespace strandel::swf
