// BitmapData: threshold, getColorBoundsRect, floodFill, hitTest, compare.
#include <algorithm>
#include <cmath>

#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/bitmap_operations.h"

namespace strandel::avm1 {

namespace {

// threshold(source, rect, point, operation, threshold, color = 0,
// mask = 0xFFFFFFFF, copySource = false): how many pixels passed.
Value threshold(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 5) return Value(-1);
  swf::BitmapData* source = bitmap_pixels(args[0]);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[1]);
  std::optional<swf::PixelPoint> point = point_argument(act, args[2]);
  if (!source || !rect || !point) return Value(-1);
  String operation = act.to_string(args[3]);
  std::uint32_t value = color_argument(act, args[4]);
  std::uint32_t color = args.size() > 5 ? color_argument(act, args[5]) : 0;
  std::uint32_t mask = args.size() > 6 ? color_argument(act, args[6]) : 0xFFFFFFFFu;
  bool copy_source = act.to_boolean(arg(args, 7));
  std::optional<int> passed =
      swf::threshold(*b, *source, *rect, *point, operation.view(), value, color, mask, copy_source);
  return Value(passed ? *passed : 0);
}

Value get_color_bounds_rect(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 2) return Value(kDisposed);
  bool find = args.size() > 2 ? act.to_boolean(args[2]) : true;
  swf::PixelRect r =
      swf::color_bounds(*b, color_argument(act, args[0]), color_argument(act, args[1]), find);
  return make_rectangle(act, r.x, r.y, r.width, r.height);
}

// 1 when filled, 0 when the point is outside or already of the colour.
Value flood_fill(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 3) return Value(kDisposed);
  int x = act.to_int32(args[0]), y = act.to_int32(args[1]);
  return Value(swf::flood_fill(*b, x, y, color_argument(act, args[2])) ? 1 : 0);
}

std::uint8_t alpha_threshold(Activation& act, const Value& v) {
  return static_cast<std::uint8_t>(std::clamp(act.to_int32(v), 0, 255));
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject, secondPoint,
// secondAlphaThreshold): the second object is a point, a rectangle or
// another BitmapData placed at secondPoint.
Value hit_test(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 3) return Value(-1);
  std::optional<swf::PixelPoint> origin = point_argument(act, args[0]);
  if (!origin) return Value(-2);
  std::uint8_t first = alpha_threshold(act, args[1]);
  const Value& second = args[2];
  if (swf::BitmapData* other = bitmap_pixels(second)) {
    if (arg(args, 3).is_undefined()) return Value(-2);
    std::optional<swf::PixelPoint> at = point_argument(act, args[3]);
    if (!at) return Value(-4);
    std::uint8_t other_threshold = args.size() > 4 ? alpha_threshold(act, args[4]) : 1;
    return Value(swf::hit_bitmap(*b, first, *other, other_threshold,
                                 {at->x - origin->x, at->y - origin->y}));
  }
  if (std::optional<swf::PixelRect> rect = rect_argument(act, second)) {
    rect->x -= origin->x;
    rect->y -= origin->y;
    return Value(swf::hit_rect(*b, first, *rect));
  }
  if (std::optional<swf::PixelPoint> p = point_argument(act, second))
    return Value(swf::hit_rect(*b, first, {p->x - origin->x, p->y - origin->y, 1, 1}));
  return Value(-3);
}

// 0 when equal, -3 and -4 when the widths or the heights differ, otherwise
// a bitmap of the differences.
Value compare(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  swf::BitmapData* other = bitmap_pixels(arg(args, 0));
  if (!other) return Value(-2);
  if (b == other) return Value(0);
  if (b->width() != other->width()) return Value(-3);
  if (b->height() != other->height()) return Value(-4);
  std::shared_ptr<swf::BitmapData> diff = swf::compare(*b, *other);
  return diff ? make_bitmap_data(act, std::move(diff)) : Value(0);
}

}  // namespace

void add_bitmap_data_queries(ClassBuilder& bitmap) {
  bitmap.method("threshold", threshold, 0)
      .method("getColorBoundsRect", get_color_bounds_rect, 0)
      .method("floodFill", flood_fill, 0)
      .method("hitTest", hit_test, 0)
      .method("compare", compare, 0);
}

}  // namespace strandel::avm1
