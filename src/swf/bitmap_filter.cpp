// BitmapData.applyFilter and generateFilterRect, through the renderer's
// filters.
#include <cmath>
#include <vector>

#include "swf/bitmap_operations.h"
#include "swf/filter_effects.h"

namespace strandel::swf {

namespace {

int margin_of(const Filter& filter) {
  return static_cast<int>(std::ceil(filter_margin({filter}, 1.0)));
}

}  // namespace

PixelRect filter_rect(PixelRect source_rect, const Filter& filter) {
  int m = margin_of(filter);
  return {source_rect.x - m, source_rect.y - m, source_rect.width + 2 * m,
          source_rect.height + 2 * m};
}

void apply_filter(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                  PixelPoint dest_point, const Filter& filter) {
  PixelRect area = source_rect.intersect(source.bounds());
  if (area.empty()) return;
  int m = margin_of(filter);
  // The source's pixels on a picture of their own with room around them.
  auto picture = BitmapData::create(area.width + 2 * m, area.height + 2 * m, true, 0);
  if (!picture) return;
  source.begin_access();
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x)
      picture->set_raw(x + m, y + m, source.raw(area.x + x, area.y + y));
  picture->changed();
  apply_filters(picture->surface(), {filter}, 1.0);
  PixelPoint corner{dest_point.x + (area.x - source_rect.x) - m,
                    dest_point.y + (area.y - source_rect.y) - m};
  AlphaSource no_mask;
  copy_pixels(dest, *picture, picture->bounds(), corner, no_mask, false);
}

}  // namespace strandel::swf
