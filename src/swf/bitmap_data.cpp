#include "swf/bitmap_data.h"

#include <algorithm>
#include <cstring>

namespace strandel::swf {

// In 64 bits, so rectangles from scripts anywhere in the 32-bit range
// cannot overflow.
PixelRect PixelRect::intersect(const PixelRect& other) const {
  auto edge = [](int from, int size) { return std::int64_t(from) + size; };
  std::int64_t left = std::max(x, other.x), top = std::max(y, other.y);
  std::int64_t r = std::min(edge(x, width), edge(other.x, other.width));
  std::int64_t b = std::min(edge(y, height), edge(other.y, other.height));
  if (r <= left || b <= top) return {int(left), int(top), 0, 0};
  return {int(left), int(top), int(r - left), int(b - top)};
}

std::uint32_t premultiply(std::uint32_t argb) {
  std::uint32_t a = argb >> 24;
  if (a == 255) return argb;
  auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 |
         scale(argb & 0xFF);
}

// Through an 8.8 fixed-point reciprocal of alpha, as the vendor's player
// divides: the results differ from exact division in the last bit.
std::uint32_t unpremultiply(std::uint32_t p) {
  std::uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  std::uint32_t reciprocal = (255u << 8) / a;
  auto scale = [reciprocal](std::uint32_t c) {
    return std::min<std::uint32_t>((c * reciprocal + 127) >> 8, 255);
  };
  return a << 24 | scale((p >> 16) & 0xFF) << 16 | scale((p >> 8) & 0xFF) << 8 | scale(p & 0xFF);
}

BitmapData::BitmapData(cairo_surface_t* surface, bool transparent)
    : surface_(surface),
      width_(cairo_image_surface_get_width(surface)),
      height_(cairo_image_surface_get_height(surface)),
      stride_(cairo_image_surface_get_stride(surface)),
      transparent_(transparent) {}

BitmapData::~BitmapData() { cairo_surface_destroy(surface_); }

std::shared_ptr<BitmapData> BitmapData::create(int width, int height, bool transparent,
                                               std::uint32_t fill_argb) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  std::shared_ptr<BitmapData> bitmap(new BitmapData(s, transparent));
  bitmap->begin_access();
  std::uint32_t value = bitmap->stored(fill_argb);
  for (int y = 0; y < height; ++y) std::fill_n(bitmap->row(y), width, value);
  bitmap->changed();
  return bitmap;
}

std::shared_ptr<BitmapData> BitmapData::from_surface(cairo_surface_t* surface, bool transparent) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
  int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  auto bitmap = create(w, h, transparent, 0);
  if (!bitmap) return nullptr;
  cairo_surface_flush(surface);
  const unsigned char* from = cairo_image_surface_get_data(surface);
  int from_stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y)
    std::memcpy(bitmap->row(y), from + std::size_t(y) * from_stride, std::size_t(w) * 4);
  bitmap->changed();
  return bitmap;
}

std::shared_ptr<BitmapData> BitmapData::clone() const {
  return from_surface(surface_, transparent_);
}

std::uint32_t* BitmapData::row(int y) const {
  return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_) +
                                          std::size_t(y) * stride_);
}

std::uint32_t BitmapData::stored(std::uint32_t argb) const {
  return transparent_ ? premultiply(argb) : (argb | 0xFF000000u);
}

std::uint32_t BitmapData::pixel(int x, int y) const {
  if (!contains(x, y)) return 0;
  begin_access();
  return unpremultiply(raw(x, y));
}

void BitmapData::set_pixel(int x, int y, std::uint32_t argb) {
  if (!contains(x, y)) return;
  begin_access();
  set_raw(x, y, stored(argb));
  changed();
}

void BitmapData::begin_access() const { cairo_surface_flush(surface_); }

void BitmapData::changed() const { cairo_surface_mark_dirty(surface_); }

}  // namespace strandel::swf
