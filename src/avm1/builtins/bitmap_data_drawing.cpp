// BitmapData: applyFilter and generateFilterRect.
#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/geom.h"
#include "avm1/native.h"
#include "swf/bitmap_operations.h"

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

}  // namespace

void add_bitmap_data_drawing(ClassBuilder& bitmap) {
  bitmap.method("applyFilter", apply_filter, 0)
      .method("generateFilterRect", generate_filter_rect, 0);
}

}  // namespace strandel::avm1
