// BitmapData: copyPixels, copyChannel, colorTransform, merge, paletteMap,
// scroll.
#include <array>

#include "avm1/array.h"
#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/color_transform.h"
#include "avm1/native.h"
#include "swf/bitmap_operations.h"

namespace strandel::avm1 {

namespace {

// The source, source rectangle and destination point most copies begin
// with.
struct CopyArguments {
  swf::BitmapData* source;
  swf::PixelRect rect;
  swf::PixelPoint point;
};

std::optional<CopyArguments> copy_arguments(Activation& act, std::span<const Value> args) {
  if (args.size() < 3) return std::nullopt;
  swf::BitmapData* source = bitmap_pixels(args[0]);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[1]);
  std::optional<swf::PixelPoint> point = point_argument(act, args[2]);
  if (!source || !rect || !point) return std::nullopt;
  return CopyArguments{source, *rect, *point};
}

Value copy_pixels(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  std::optional<CopyArguments> c = copy_arguments(act, args);
  if (!c) return Value(-1);
  swf::AlphaSource alpha;
  if (swf::BitmapData* mask = bitmap_pixels(arg(args, 3))) {
    alpha.bitmap = mask;
    if (auto p = point_argument(act, arg(args, 4))) alpha.point = *p;
  }
  swf::copy_pixels(*b, *c->source, c->rect, c->point, alpha, act.to_boolean(arg(args, 5)));
  return Value();
}

Value copy_channel(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  std::optional<CopyArguments> c = copy_arguments(act, args);
  if (!c || args.size() < 5) return Value(-1);
  swf::copy_channel(*b, *c->source, c->rect, c->point, act.to_int32(args[3]),
                    act.to_int32(args[4]));
  return Value();
}

// -1 when done or given too little, -2 for a bad rectangle, -3 for a bad
// colour transform.
Value color_transform(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 2) return Value(kDisposed);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[0]);
  if (!rect) return Value(-2);
  auto* ct = this_as<ColorTransformObject>(args[1]);
  if (!ct) return Value(-3);
  swf::color_transform(*b, *rect, ct->value);
  return Value(-1);
}

Value merge(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  std::optional<CopyArguments> c = copy_arguments(act, args);
  if (!c || args.size() < 7) return Value(-1);
  std::array<int, 4> multipliers{};
  for (std::size_t i = 0; i < 4; ++i) multipliers[i] = act.to_int32(args[3 + i]);
  swf::merge(*b, *c->source, c->rect, c->point, multipliers);
  return Value();
}

// A table a script gives for one channel; the identity for that channel
// when it gives none.
swf::Palette palette_argument(Activation& act, const Value& list, int shift) {
  swf::Palette table{};
  bool given = list.is_object();
  for (std::uint32_t i = 0; i < 256; ++i)
    table[i] =
        given ? static_cast<std::uint32_t>(act.to_int32(act.get(list, index_name(i)))) : i << shift;
  return table;
}

Value palette_map(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  std::optional<CopyArguments> c = copy_arguments(act, args);
  if (!c) return Value(-1);
  constexpr int kShifts[4] = {16, 8, 0, 24};
  std::array<swf::Palette, 4> tables;
  for (std::size_t i = 0; i < 4; ++i)
    tables[i] = palette_argument(act, arg(args, 3 + i), kShifts[i]);
  swf::palette_map(*b, *c->source, c->rect, c->point, tables);
  return Value();
}

Value scroll(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 2) return Value(-1);
  swf::scroll(*b, act.to_int32(args[0]), act.to_int32(args[1]));
  return Value();
}

}  // namespace

void add_bitmap_data_copying(ClassBuilder& bitmap) {
  bitmap.method("copyPixels", copy_pixels, 0)
      .method("copyChannel", copy_channel, 0)
      .method("colorTransform", color_transform, 0)
      .method("merge", merge, 0)
      .method("paletteMap", palette_map, 0)
      .method("scroll", scroll, 0);
}

}  // namespace strandel::avm1
