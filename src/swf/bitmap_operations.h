// What scripts do to a BitmapData's pixels, as the vendor's player does it.
// Rectangles and points are clipped to the bitmaps; colours are straight
// 0xAARRGGBB unless a function says otherwise. Channels are the bits
// 1 red, 2 green, 4 blue, 8 alpha.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "swf/bitmap_data.h"
#include "swf/filters.h"
#include "swf/geometry.h"

namespace strandel::swf {

namespace channel {
constexpr int Red = 1, Green = 2, Blue = 4, Alpha = 8;
}

// --- Copying and changing pixels (bitmap_copy.cpp) ---
void fill_rect(BitmapData& b, PixelRect rect, std::uint32_t argb);

// The part of `source_rect` (within the source) that lands inside the
// destination at `dest`, as a source rectangle and its destination corner.
struct CopyArea {
  PixelRect source;
  PixelPoint dest;
};
std::optional<CopyArea> copy_area(const BitmapData& source, PixelRect source_rect,
                                  const BitmapData& dest, PixelPoint dest_point);

struct AlphaSource {
  const BitmapData* bitmap = nullptr;
  PixelPoint point;  // where the source rectangle's corner falls in it
};
// copyPixels: straight copy, or composited over the destination when
// `merge_alpha`; an alpha bitmap multiplies the source's alpha.
void copy_pixels(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                 PixelPoint dest_point, const AlphaSource& alpha, bool merge_alpha);
void copy_channel(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                  PixelPoint dest_point, int source_channel, int dest_channel);
void color_transform(BitmapData& b, PixelRect rect, const ColorTransform& ct);
// merge: each channel (source × m + dest × (256 − m)) / 256.
void merge(BitmapData& dest, const BitmapData& source, PixelRect source_rect, PixelPoint dest_point,
           const std::array<int, 4>& multipliers);  // r, g, b, a
// paletteMap: each output pixel is the sum of the four tables' entries for
// the source's channels.
using Palette = std::array<std::uint32_t, 256>;
void palette_map(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                 PixelPoint dest_point, const std::array<Palette, 4>& tables);  // r, g, b, a
void scroll(BitmapData& b, int dx, int dy);

// --- Reading pixels (bitmap_query.cpp) ---
// threshold: pixels whose masked value passes the test become `color`;
// the others keep the destination or, with `copy_source`, take the source.
// Returns how many passed. Empty for an unknown operation.
std::optional<int> threshold(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                             PixelPoint dest_point, std::string_view operation, std::uint32_t value,
                             std::uint32_t color, std::uint32_t mask, bool copy_source);
// The smallest rectangle around the pixels whose masked value is `color`
// (or is not, when !find).
PixelRect color_bounds(const BitmapData& b, std::uint32_t mask, std::uint32_t color, bool find);
// floodFill: the 4-connected area of the pixel's colour becomes `argb`.
// False when the point is outside or already of that colour.
bool flood_fill(BitmapData& b, int x, int y, std::uint32_t argb);
// Whether any pixel of `b` at or above the alpha threshold lies in the
// rectangle (in b's coordinates).
bool hit_rect(const BitmapData& b, std::uint8_t threshold, PixelRect rect);
// Whether two bitmaps, b placed at `offset` from `other`, have opaque
// enough pixels at the same place.
bool hit_bitmap(const BitmapData& b, std::uint8_t threshold, const BitmapData& other,
                std::uint8_t other_threshold, PixelPoint offset);

// compare of two bitmaps of one size: where the colours differ, opaque
// channel differences; where only alpha differs, white with the alpha
// difference; transparent where equal. Null when they are the same.
std::shared_ptr<BitmapData> compare(const BitmapData& a, const BitmapData& b);

// --- Filters (bitmap_filter.cpp) ---
// applyFilter: the source rectangle filtered, written with the room the
// filter spreads into around `dest_point`.
void apply_filter(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                  PixelPoint dest_point, const Filter& filter);
// generateFilterRect: the rectangle a filter's result covers.
PixelRect filter_rect(PixelRect source_rect, const Filter& filter);

// --- Random pixels (bitmap_noise.cpp) ---
// The player's random numbers: the minimal standard generator,
// seed × 16807 mod (2³¹ − 1).
class ParkMiller {
 public:
  explicit ParkMiller(std::int64_t seed);
  std::uint32_t next();
  std::int64_t seed() const { return state_; }

 private:
  std::int64_t state_;
};
void noise(BitmapData& b, std::int64_t seed, int low, int high, int channels, bool gray);
// pixelDissolve: `count` pixels, in an order the seed decides, take the
// source's value (or `fill` when the source is the destination). Returns
// the seed to pass next time.
std::int64_t pixel_dissolve(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                            PixelPoint dest_point, std::int64_t seed, int count,
                            std::uint32_t fill);

struct PerlinSettings {
  double base_x = 0, base_y = 0;
  int octaves = 0;
  std::int64_t seed = 0;
  bool stitch = false, fractal = false, gray = false;
  int channels = 7;
  std::vector<std::pair<double, double>> offsets;  // per octave, in pixels
};
void perlin_noise(BitmapData& b, const PerlinSettings& settings);

}  // namespace strandel::swf
