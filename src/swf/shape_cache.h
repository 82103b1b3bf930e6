// Images of shapes drawn earlier, copied into later frames while a shape's
// scale, rotation and colour transform stay the same: moving a shape is then
// only a copy. One cache serves one surface; its memory is bounded.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "swf/geometry.h"
#include "swf/paint.h"
#include "swf/shape.h"

namespace strandel::swf {

class ShapeCache {
 public:
  // Where to copy a cached image: its top-left corner in device pixels.
  struct Copy {
    cairo_surface_t* image;
    double x, y;
  };
  // Paints the shape on a fresh image under a matrix given by the cache.
  using Paint = std::function<void(cairo_t*, const Matrix&)>;

  // The image of shape `s` under `m` and `cx` (whose device box is `box`),
  // painted with `paint` the second frame in a row the same key is asked for.
  // Nothing when the shape is to be drawn directly: the key's first sight,
  // an image too large, the cache full.
  std::optional<Copy> image(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx,
                            const Box& box, const Paint& paint);

  // Drops what is gone or idle; called once a frame.
  void end_frame();
  std::size_t pixels() const { return pixels_; }
  void clear();

 private:
  // Keyed by the shape, the linear part of its matrix, its translation's
  // fraction in eighths of a pixel and its colour transform; the whole-pixel
  // part of the translation only moves the copy.
  struct Key {
    const void* shape;
    double a, b, c, d;
    int fx, fy;
    ColorTransform cx;
    bool operator<(const Key& o) const;
  };
  // A key seen once is only noted: objects that turn or scale every frame
  // would otherwise fill the cache with images used once.
  struct Entry {
    std::weak_ptr<const int> token;
    std::shared_ptr<cairo_surface_t> image;  // null until the key comes again
    int ox = 0, oy = 0;                      // image origin from the translation's whole pixels
    std::uint64_t last_used = 0;
    std::size_t pixels = 0;
  };

  void evict(bool all_unused);

  std::map<Key, Entry> entries_;
  std::uint64_t frame_ = 1;
  std::size_t pixels_ = 0;
};

}  // namespace strandel::swf
