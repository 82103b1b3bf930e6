// BitmapData: draw, applyFilter and generateFilterRect.
#include <cmath>

#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/color_transform.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/geom.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "swf/bitmap_operations.h"
#include "swf/paint.h"
#include "swf/player.h"
#include "swf/renderer.h"

namespace strandel::avm1 {

namespace {

std::optional<swf::Filter> filter_argument(const Value& v) {
  auto* f = dynamic_cast<FilterObject*>(v.object());
  return f ? f->filter() : std::nullopt;
}

// applyFilter(source, rect, point, filter)
Value apply_filter(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 4) return Value(-1);
  swf::BitmapData* source = bitmap_pixels(args[0]);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[1]);
  std::optional<swf::PixelPoint> point = point_argument(act, args[2]);
  std::optional<swf::Filter> filter = filter_argument(args[3]);
  if (!source || !rect || !point || !filter) return Value(-1);
  swf::apply_filter(*b, *source, *rect, *point, *filter);
  return Value(0);
}

Value generate_filter_rect(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  std::optional<swf::PixelRect> rect = rect_argument(act, arg(args, 0));
  std::optional<swf::Filter> filter = filter_argument(arg(args, 1));
  if (!rect || !filter) return Value(-1);
  swf::PixelRect r = swf::filter_rect(*rect, *filter);
  return make_rectangle(act, r.x, r.y, r.width, r.height);
}

// A Matrix argument (pixels); identity when it is not an object.
swf::Matrix matrix_argument(Activation& act, const Value& v) {
  if (!v.is_object()) return {};
  return {number_field(act, v, "a"), number_field(act, v, "b"),  number_field(act, v, "c"),
          number_field(act, v, "d"), number_field(act, v, "tx"), number_field(act, v, "ty")};
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing):
// paints a clip's content (without its own transform) or another bitmap
// onto this one, through `matrix`, within clipRect.
Value draw(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  const Value& source = arg(args, 0);
  swf::DisplayObject* clip = display_object(source);
  swf::BitmapData* image = bitmap_pixels(source);
  if (!clip && !image) return Value();
  swf::Matrix m = matrix_argument(act, arg(args, 1));
  if (!std::isfinite(m.a + m.b + m.c + m.d + m.tx + m.ty)) return Value();
  swf::ColorTransform cx;
  if (auto* ct = dynamic_cast<ColorTransformObject*>(arg(args, 2).object())) cx = ct->value;
  b->begin_access();
  cairo_t* cr = cairo_create(b->surface());
  if (auto clip_rect = rect_argument(act, arg(args, 4))) {
    cairo_rectangle(cr, clip_rect->x, clip_rect->y, clip_rect->width, clip_rect->height);
    cairo_clip(cr);
  }
  if (image) {
    // Drawing a bitmap onto itself reads a copy.
    std::shared_ptr<swf::BitmapData> copy = image == b ? image->clone() : nullptr;
    swf::paint_image(cr, copy ? copy->surface() : image->surface(), act.to_boolean(arg(args, 5)),
                     swf::Matrix{0.05, 0, 0, 0.05, 0, 0}.then(m), cx, swf::PaintMode::Colour);
  } else {
    swf::Matrix to_device = swf::Matrix{0.05, 0, 0, 0.05, 0, 0}.then(m);
    swf::render_object(cr, act.machine().player().dictionary(), *clip, to_device, cx);
  }
  cairo_destroy(cr);
  b->changed();
  return Value();
}

}  // namespace

void add_bitmap_data_drawing(ClassBuilder& bitmap) {
  bitmap.method("draw", draw, 0)
      .method("applyFilter", apply_filter, 0)
      .method("generateFilterRect", generate_filter_rect, 0);
}

}  // namespace strandel::avm1
