// Drawing the bitmap filters: each one a function over a picture, the
// premultiplied ARGB32 image surface an object was drawn on by itself.
#pragma once

#include <cairo.h>

#include <vector>

#include "swf/filters.h"

namespace strandel::swf {

// Applies the filters in order to `picture`, in place. Filter sizes and
// distances are in stage pixels; `scale` is device pixels per stage pixel.
void apply_filters(cairo_surface_t* picture, const std::vector<Filter>& filters, double scale);

// How far (in device pixels) the filters may spread a picture beyond what
// was drawn, so callers can leave room for it.
double filter_margin(const std::vector<Filter>& filters, double scale);

}  // namespace strandel::swf
