#include "swf/mask.h"

#include "swf/paint.h"

namespace strandel::swf {

void draw_masked(cairo_t* cr, std::optional<MaskBounds> bounds,
                 const std::function<void()>& content, const std::function<void()>& mask) {
  cairo_save(cr);
  // Groups as small as the mask's shape keep clipping cheap.
  if (bounds && usable(bounds->to_device)) {
    set_matrix(cr, bounds->to_device);
    const Rect& r = bounds->rect;
    cairo_rectangle(cr, r.xmin, r.ymin, r.width(), r.height());
    cairo_identity_matrix(cr);
    cairo_clip(cr);
  }
  cairo_push_group(cr);
  content();
  cairo_pattern_t* drawn = cairo_pop_group(cr);
  cairo_push_group(cr);
  mask();
  cairo_pattern_t* alpha = cairo_pop_group(cr);
  cairo_identity_matrix(cr);
  cairo_set_source(cr, drawn);
  cairo_mask(cr, alpha);
  cairo_pattern_destroy(alpha);
  cairo_pattern_destroy(drawn);
  cairo_restore(cr);
}

}  // namespace strandel::swf
