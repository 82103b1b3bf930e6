// Drawing the bitmap filters: each one a function over a picture, the
// premultiplied ARGB32 image surface an object was drawn on by itself.
#pragma once

#include <cairo.h>

#include <vector>

#include "swf/filters.h"

namespace strandel::swf {

// What the filters of one frame may cost together, in the steps the cap on
// one object's filter list counts (one pixel of one plane): twice that cap,
// so that a frame of many objects, each with a costly list, still ends in
// well under a second. Filters past it are not drawn.
inline constexpr double kMaxFrameFilterWork = 4e8;

// Applies the filters in order to `picture`, in place, while they fit the
// list's cap and what is left of the frame's (`frame_work_left`, less what
// they spend). Filter sizes and distances are in stage pixels; `scale` is
// device pixels per stage pixel.
void apply_filters(cairo_surface_t* picture, const std::vector<Filter>& filters, double scale,
                   double& frame_work_left);
// The same for a picture drawn on its own, with a frame's work to spend.
void apply_filters(cairo_surface_t* picture, const std::vector<Filter>& filters, double scale);

// How far (in device pixels) the filters may spread a picture beyond what
// was drawn, so callers can leave room for it.
double filter_margin(const std::vector<Filter>& filters, double scale);

}  // namespace strandel::swf
