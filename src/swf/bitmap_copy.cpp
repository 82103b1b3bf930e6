// Copying and changing a BitmapData's pixels.
#include <algorithm>
#include <cmath>
#include <vector>

#include "swf/bitmap_operations.h"

namespace strandel::swf {

namespace {

int channel_shift(int channel) {
  switch (channel) {
    case channel::Red:
      return 16;
    case channel::Green:
      return 8;
    case channel::Blue:
      return 0;
    case channel::Alpha:
      return 24;
    default:
      return -1;
  }
}

// Premultiplied `p` with its alpha scaled by a / 255.
std::uint32_t scale_premultiplied(std::uint32_t p, std::uint32_t a) {
  auto s = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return s(p >> 24) << 24 | s((p >> 16) & 0xFF) << 16 | s((p >> 8) & 0xFF) << 8 | s(p & 0xFF);
}

// Premultiplied `top` over `bottom`; what shows through is rounded down,
// as the vendor's player does.
std::uint32_t over(std::uint32_t top, std::uint32_t bottom) {
  std::uint32_t rest = 255 - (top >> 24);
  if (rest == 0) return top;
  auto s = [rest](std::uint32_t c) { return c * rest / 255; };
  return top + (s(bottom >> 24) << 24 | s((bottom >> 16) & 0xFF) << 16 |
                s((bottom >> 8) & 0xFF) << 8 | s(bottom & 0xFF));
}

// Stores a premultiplied value as the destination keeps it: an opaque
// bitmap takes the premultiplied colour as it is, made opaque.
void put(BitmapData& b, int x, int y, std::uint32_t premultiplied) {
  b.set_raw(x, y, b.transparent() ? premultiplied : (premultiplied | 0xFF000000u));
}

template <class F>
void for_each_copied(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                     PixelPoint dest_point, F&& f) {
  std::optional<CopyArea> area = copy_area(source, source_rect, dest, dest_point);
  if (!area) return;
  source.begin_access();
  dest.begin_access();
  // Rows are read before any is written, so a bitmap copied onto itself
  // reads what it held before.
  std::vector<std::uint32_t> copy;
  copy.reserve(std::size_t(area->source.width) * std::size_t(area->source.height));
  for (int j = 0; j < area->source.height; ++j)
    for (int i = 0; i < area->source.width; ++i)
      copy.push_back(source.raw(area->source.x + i, area->source.y + j));
  std::size_t k = 0;
  for (int j = 0; j < area->source.height; ++j)
    for (int i = 0; i < area->source.width; ++i)
      f(area->dest.x + i, area->dest.y + j, copy[k++], area->source.x + i, area->source.y + j);
  dest.changed();
}

}  // namespace

void fill_rect(BitmapData& b, PixelRect rect, std::uint32_t argb) {
  PixelRect r = rect.intersect(b.bounds());
  if (r.empty()) return;
  b.begin_access();
  std::uint32_t value = b.stored(argb);
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) b.set_raw(x, y, value);
  b.changed();
}

std::optional<CopyArea> copy_area(const BitmapData& source, PixelRect source_rect,
                                  const BitmapData& dest, PixelPoint dest_point) {
  PixelRect src = source_rect.intersect(source.bounds());
  if (src.empty()) return std::nullopt;
  // In 64 bits: a script's point and rectangle may be anywhere.
  std::int64_t to_x = std::int64_t(dest_point.x) + (std::int64_t(src.x) - source_rect.x);
  std::int64_t to_y = std::int64_t(dest_point.y) + (std::int64_t(src.y) - source_rect.y);
  std::int64_t left = std::max<std::int64_t>(to_x, 0), top = std::max<std::int64_t>(to_y, 0);
  std::int64_t right = std::min<std::int64_t>(to_x + src.width, dest.width());
  std::int64_t bottom = std::min<std::int64_t>(to_y + src.height, dest.height());
  if (right <= left || bottom <= top) return std::nullopt;
  src.x += int(left - to_x);
  src.y += int(top - to_y);
  src.width = int(right - left);
  src.height = int(bottom - top);
  return CopyArea{src, {int(left), int(top)}};
}

void copy_pixels(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                 PixelPoint dest_point, const AlphaSource& alpha, bool merge_alpha) {
  // An opaque alpha bitmap changes nothing; an opaque destination always
  // shows what is beneath a translucent source.
  const BitmapData* mask = alpha.bitmap && alpha.bitmap->transparent() ? alpha.bitmap : nullptr;
  if (mask) mask->begin_access();
  merge_alpha = merge_alpha || !dest.transparent();
  for_each_copied(dest, source, source_rect, dest_point,
                  [&](int x, int y, std::uint32_t p, int sx, int sy) {
                    if (mask) {
                      int ax = alpha.point.x + (sx - source_rect.x);
                      int ay = alpha.point.y + (sy - source_rect.y);
                      std::uint32_t a = mask->contains(ax, ay) ? mask->raw(ax, ay) >> 24 : 0;
                      p = scale_premultiplied(p, a);
                    }
                    if (merge_alpha) p = over(p, dest.raw(x, y));
                    put(dest, x, y, p);
                  });
}

void copy_channel(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                  PixelPoint dest_point, int source_channel, int dest_channel) {
  int from = channel_shift(source_channel), to = channel_shift(dest_channel);
  if (from < 0 || to < 0) return;
  if (to == 24 && !dest.transparent()) return;
  for_each_copied(dest, source, source_rect, dest_point,
                  [&](int x, int y, std::uint32_t p, int, int) {
                    std::uint32_t value = (unpremultiply(p) >> from) & 0xFF;
                    std::uint32_t d = unpremultiply(dest.raw(x, y));
                    d = (d & ~(0xFFu << to)) | value << to;
                    dest.set_raw(x, y, dest.stored(d));
                  });
}

void color_transform(BitmapData& b, PixelRect rect, const ColorTransform& ct) {
  PixelRect r = rect.intersect(b.bounds());
  if (r.empty()) return;
  b.begin_access();
  auto apply = [](std::uint32_t c, double mult, double add) {
    double v = std::floor(c * mult + add);
    return static_cast<std::uint32_t>(std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0));
  };
  for (int y = r.y; y < r.bottom(); ++y) {
    for (int x = r.x; x < r.right(); ++x) {
      std::uint32_t c = unpremultiply(b.raw(x, y));
      std::uint32_t out = apply(c >> 24, ct.am, ct.aa) << 24 |
                          apply((c >> 16) & 0xFF, ct.rm, ct.ra) << 16 |
                          apply((c >> 8) & 0xFF, ct.gm, ct.ga) << 8 | apply(c & 0xFF, ct.bm, ct.ba);
      b.set_raw(x, y, b.stored(out));
    }
  }
  b.changed();
}

void merge(BitmapData& dest, const BitmapData& source, PixelRect source_rect, PixelPoint dest_point,
           const std::array<int, 4>& multipliers) {
  constexpr int kShifts[4] = {16, 8, 0, 24};
  for_each_copied(dest, source, source_rect, dest_point,
                  [&](int x, int y, std::uint32_t p, int, int) {
                    std::uint32_t s = unpremultiply(p), d = unpremultiply(dest.raw(x, y));
                    std::uint32_t out = 0;
                    for (int c = 0; c < 4; ++c) {
                      std::int64_t m = multipliers[c];
                      std::int64_t sv = (s >> kShifts[c]) & 0xFF, dv = (d >> kShifts[c]) & 0xFF;
                      std::int64_t v = (sv * m + dv * (256 - m)) / 256;
                      out |= std::uint32_t(std::clamp<std::int64_t>(v, 0, 255)) << kShifts[c];
                    }
                    dest.set_raw(x, y, dest.stored(out));
                  });
}

void palette_map(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                 PixelPoint dest_point, const std::array<Palette, 4>& tables) {
  for_each_copied(dest, source, source_rect, dest_point,
                  [&](int x, int y, std::uint32_t p, int, int) {
                    std::uint32_t s = unpremultiply(p);
                    std::uint32_t out = tables[0][(s >> 16) & 0xFF] + tables[1][(s >> 8) & 0xFF] +
                                        tables[2][s & 0xFF] + tables[3][s >> 24];
                    dest.set_raw(x, y, dest.stored(out));
                  });
}

void scroll(BitmapData& b, int dx, int dy) {
  for_each_copied(b, b, b.bounds(), {dx, dy},
                  [&](int x, int y, std::uint32_t p, int, int) { b.set_raw(x, y, p); });
}

}  // namespace strandel::swf
