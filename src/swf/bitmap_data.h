// The pixels of a script's bitmap (BitmapData): a premultiplied cairo
// ARGB32 surface that scripts read and write pixel by pixel and that the
// renderer draws where a clip has the bitmap attached.
//
// Scripts see straight (not premultiplied) colours as 0xAARRGGBB. Storing
// one premultiplies it rounding to nearest; reading divides back as the
// vendor's player does, so a colour read back may differ from the one
// stored in its low bits. An opaque bitmap ignores alpha.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace strandel::swf {

// A rectangle of whole pixels.
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  // The part of this rectangle that `other` also covers.
  PixelRect intersect(const PixelRect& other) const;
};

struct PixelPoint {
  int x = 0, y = 0;
};

std::uint32_t premultiply(std::uint32_t argb);
std::uint32_t unpremultiply(std::uint32_t premultiplied);

class BitmapData {
 public:
  // Null when cairo cannot make a surface of that size.
  static std::shared_ptr<BitmapData> create(int width, int height, bool transparent,
                                            std::uint32_t fill_argb);
  // A copy of a premultiplied ARGB32 surface (an image of the movie).
  static std::shared_ptr<BitmapData> from_surface(cairo_surface_t* surface, bool transparent);
  ~BitmapData();
  BitmapData(const BitmapData&) = delete;
  BitmapData& operator=(const BitmapData&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  bool transparent() const { return transparent_; }
  PixelRect bounds() const { return {0, 0, width_, height_}; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // The surface to draw with, or to draw into (call changed() after).
  cairo_surface_t* surface() const { return surface_; }
  std::shared_ptr<BitmapData> clone() const;

  // Straight colours; 0 outside the bitmap, and nothing is stored there.
  std::uint32_t pixel(int x, int y) const;
  void set_pixel(int x, int y, std::uint32_t argb);
  // Premultiplied values as stored, for operations that keep them as they
  // are. Inside the bitmap only.
  std::uint32_t raw(int x, int y) const { return row(y)[x]; }
  void set_raw(int x, int y, std::uint32_t premultiplied) { row(y)[x] = premultiplied; }
  // What a straight colour is stored as here (premultiplied, opaque when
  // the bitmap is).
  std::uint32_t stored(std::uint32_t argb) const;

  // Before reading or writing pixels directly after cairo drew into the
  // surface, and after writing them before cairo draws from it.
  void begin_access() const;
  void changed() const;

 private:
  BitmapData(cairo_surface_t* surface, bool transparent);
  std::uint32_t* row(int y) const;

  cairo_surface_t* surface_;
  int width_, height_, stride_;
  bool transparent_;
};

}  // namespace strandel::swf
