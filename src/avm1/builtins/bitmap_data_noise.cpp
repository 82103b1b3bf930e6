// BitmapData: noise, perlinNoise, pixelDissolve.
#include <cmath>

#include "avm1/array.h"
#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/geom.h"
#include "avm1/native.h"
#include "swf/bitmap_operations.h"

namespace strandel::avm1 {

namespace {

// Octave offsets read from a script's list, at most this many.
constexpr std::uint32_t kMaxOffsets = 64;

// A seed as the player takes it: the number truncated to an integer.
std::int64_t seed_argument(Activation& act, const Value& v) {
  double d = act.to_number(v);
  if (!std::isfinite(d)) return 0;
  return static_cast<std::int64_t>(std::fmod(std::trunc(d), 4294967296.0));
}

// noise(seed, low = 0, high = 255, channels = 7, grayScale = false)
Value noise(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.empty()) return Value(kDisposed);
  int low = args.size() > 1 ? act.to_int32(args[1]) : 0;
  int high = args.size() > 2 ? act.to_int32(args[2]) : 255;
  int channels = args.size() > 3 ? act.to_int32(args[3]) : 7;
  swf::noise(*b, seed_argument(act, args[0]), low, high, channels, act.to_boolean(arg(args, 4)));
  return Value(0);
}

// perlinNoise(baseX, baseY, octaves, seed, stitch, fractalNoise,
// channels = 7, grayScale = false, offsets)
Value perlin_noise(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 6) return Value(-1);
  swf::PerlinSettings s;
  s.base_x = act.to_number(args[0]);
  s.base_y = act.to_number(args[1]);
  s.octaves = act.to_int32(args[2]);
  s.seed = seed_argument(act, args[3]);
  s.stitch = act.to_boolean(args[4]);
  s.fractal = act.to_boolean(args[5]);
  s.channels = args.size() > 6 ? act.to_int32(args[6]) : 7;
  s.gray = act.to_boolean(arg(args, 7));
  const Value& offsets = arg(args, 8);
  if (offsets.is_object()) {
    auto count = static_cast<std::uint32_t>(std::max(0, act.to_int32(act.get(offsets, "length"))));
    for (std::uint32_t i = 0; i < std::min(count, kMaxOffsets); ++i) {
      Value p = act.get(offsets, index_name(i));
      s.offsets.emplace_back(number_field(act, p, "x"), number_field(act, p, "y"));
    }
  }
  swf::perlin_noise(*b, s);
  return Value();
}

// pixelDissolve(source, rect, point, seed = 0, count = 0, fill = 0): the
// seed for the next call.
Value pixel_dissolve(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 3) return Value(-1);
  swf::BitmapData* source = bitmap_pixels(args[0]);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[1]);
  std::optional<swf::PixelPoint> point = point_argument(act, args[2]);
  if (!source || !rect || !point) return Value(-1);
  std::int64_t next =
      swf::pixel_dissolve(*b, *source, *rect, *point, seed_argument(act, arg(args, 3)),
                          act.to_int32(arg(args, 4)), color_argument(act, arg(args, 5)));
  return Value(double(next));
}

}  // namespace

void add_bitmap_data_noise(ClassBuilder& bitmap) {
  bitmap.method("noise", noise, 0)
      .method("perlinNoise", perlin_noise, 0)
      .method("pixelDissolve", pixel_dissolve, 0);
}

}  // namespace strandel::avm1
