// Reading a BitmapData's pixels: threshold tests, colour bounds, flood
// fill and hit tests.
#include <algorithm>
#include <vector>

#include "swf/bitmap_operations.h"

namespace strandel::swf {

namespace {

using Test = bool (*)(std::uint32_t, std::uint32_t);

std::optional<Test> threshold_test(std::string_view operation) {
  if (operation == "<") return [](std::uint32_t a, std::uint32_t b) { return a < b; };
  if (operation == "<=") return [](std::uint32_t a, std::uint32_t b) { return a <= b; };
  if (operation == ">") return [](std::uint32_t a, std::uint32_t b) { return a > b; };
  if (operation == ">=") return [](std::uint32_t a, std::uint32_t b) { return a >= b; };
  if (operation == "==") return [](std::uint32_t a, std::uint32_t b) { return a == b; };
  if (operation == "!=") return [](std::uint32_t a, std::uint32_t b) { return a != b; };
  return std::nullopt;
}

std::uint8_t alpha_at(const BitmapData& b, int x, int y) {
  return static_cast<std::uint8_t>(b.raw(x, y) >> 24);
}

}  // namespace

std::optional<int> threshold(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                             PixelPoint dest_point, std::string_view operation, std::uint32_t value,
                             std::uint32_t color, std::uint32_t mask, bool copy_source) {
  std::optional<Test> test = threshold_test(operation);
  if (!test) return std::nullopt;
  std::optional<CopyArea> area = copy_area(source, source_rect, dest, dest_point);
  if (!area) return 0;
  source.begin_access();
  dest.begin_access();
  std::vector<std::uint32_t> before;
  before.reserve(std::size_t(area->source.width) * std::size_t(area->source.height));
  for (int j = 0; j < area->source.height; ++j)
    for (int i = 0; i < area->source.width; ++i)
      before.push_back(source.raw(area->source.x + i, area->source.y + j));
  int passed = 0;
  std::size_t k = 0;
  std::uint32_t stored_color = dest.stored(color);
  for (int j = 0; j < area->source.height; ++j) {
    for (int i = 0; i < area->source.width; ++i) {
      std::uint32_t raw = before[k++];
      int x = area->dest.x + i, y = area->dest.y + j;
      if ((*test)(unpremultiply(raw) & mask, value & mask)) {
        dest.set_raw(x, y, stored_color);
        ++passed;
      } else if (copy_source) {
        dest.set_raw(x, y, dest.stored(unpremultiply(raw)));
      }
    }
  }
  dest.changed();
  return passed;
}

PixelRect color_bounds(const BitmapData& b, std::uint32_t mask, std::uint32_t color, bool find) {
  b.begin_access();
  int left = b.width(), top = b.height(), right = -1, bottom = -1;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      if (((unpremultiply(b.raw(x, y)) & mask) == color) != find) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  // As in the vendor's player, a match found only at the origin counts as
  // none.
  if (right <= 0 && bottom <= 0) return {};
  return {left, top, right - left + 1, bottom - top + 1};
}

bool flood_fill(BitmapData& b, int x, int y, std::uint32_t argb) {
  if (!b.contains(x, y)) return false;
  b.begin_access();
  std::uint32_t target = b.raw(x, y), replacement = b.stored(argb);
  if (target == replacement) return false;
  // A work list rather than recursion: an area may be millions of pixels.
  std::vector<PixelPoint> pending{{x, y}};
  while (!pending.empty()) {
    PixelPoint p = pending.back();
    pending.pop_back();
    if (!b.contains(p.x, p.y) || b.raw(p.x, p.y) != target) continue;
    b.set_raw(p.x, p.y, replacement);
    pending.push_back({p.x + 1, p.y});
    pending.push_back({p.x - 1, p.y});
    pending.push_back({p.x, p.y + 1});
    pending.push_back({p.x, p.y - 1});
  }
  b.changed();
  return true;
}

bool hit_rect(const BitmapData& b, std::uint8_t threshold, PixelRect rect) {
  PixelRect r = rect.intersect(b.bounds());
  if (r.empty()) return false;
  b.begin_access();
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x)
      if (alpha_at(b, x, y) >= threshold) return true;
  return false;
}

bool hit_bitmap(const BitmapData& b, std::uint8_t threshold, const BitmapData& other,
                std::uint8_t other_threshold, PixelPoint offset) {
  // The overlap in b's coordinates; `other` starts at `offset`.
  PixelRect overlap = b.bounds().intersect({offset.x, offset.y, other.width(), other.height()});
  if (overlap.empty()) return false;
  b.begin_access();
  other.begin_access();
  for (int y = overlap.y; y < overlap.bottom(); ++y)
    for (int x = overlap.x; x < overlap.right(); ++x)
      if (alpha_at(b, x, y) >= threshold &&
          alpha_at(other, x - offset.x, y - offset.y) >= other_threshold)
        return true;
  return false;
}

std::shared_ptr<BitmapData> compare(const BitmapData& a, const BitmapData& b) {
  auto diff = BitmapData::create(a.width(), a.height(), true, 0);
  if (!diff) return nullptr;
  a.begin_access();
  b.begin_access();
  bool any = false;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      std::uint32_t p = unpremultiply(a.raw(x, y)), q = unpremultiply(b.raw(x, y));
      if (p == q) continue;
      any = true;
      auto delta = [&](int shift) { return ((p >> shift) - (q >> shift)) & 0xFF; };
      std::uint32_t out = (p & 0xFFFFFF) != (q & 0xFFFFFF)
                              ? 0xFF000000u | delta(16) << 16 | delta(8) << 8 | delta(0)
                              : delta(24) << 24 | 0xFFFFFF;
      diff->set_raw(x, y, diff->stored(out));
    }
  }
  diff->changed();
  return any ? diff : nullptr;
}

}  // namespace strandel::swf
