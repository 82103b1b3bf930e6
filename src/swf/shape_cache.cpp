#include "swf/shape_cache.h"

#include <cmath>
#include <tuple>

namespace strandel::swf {

namespace {

constexpr std::size_t kBudget = 16u << 20;  // pixels held in images, all keys together
constexpr double kMaxSide = 1024;           // pixels; larger shapes are drawn directly
constexpr std::uint64_t kIdleFrames = 60;   // an image unused this long is dropped
constexpr int kSteps = 8;                   // translation steps a pixel

// The shape alone on a new w×h image under m.
std::shared_ptr<cairo_surface_t> paint_image(const ShapeCache::Paint& paint, const Matrix& m, int w,
                                             int h) {
  auto image = own_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  cairo_t* cr = cairo_create(image.get());
  paint(cr, m);
  cairo_destroy(cr);
  cairo_surface_flush(image.get());
  return image;
}

}  // namespace

bool ShapeCache::Key::operator<(const Key& o) const {
  return std::tie(shape, a, b, c, d, fx, fy, cx.rm, cx.gm, cx.bm, cx.am, cx.ra, cx.ga, cx.ba,
                  cx.aa) < std::tie(o.shape, o.a, o.b, o.c, o.d, o.fx, o.fy, o.cx.rm, o.cx.gm,
                                    o.cx.bm, o.cx.am, o.cx.ra, o.cx.ga, o.cx.ba, o.cx.aa);
}

std::optional<ShapeCache::Copy> ShapeCache::image(const ShapeDefinition& s, const Matrix& m,
                                                  const ColorTransform& cx, const Box& box,
                                                  const Paint& paint) {
  if (box.x1 - box.x0 > kMaxSide || box.y1 - box.y0 > kMaxSide) return std::nullopt;
  // Translations are rounded to an eighth of a pixel: edges move at most a
  // sixteenth, and an object at rest always finds its image.
  double tx = std::round(m.tx * kSteps) / kSteps;
  double ty = std::round(m.ty * kSteps) / kSteps;
  double ix = std::floor(tx), iy = std::floor(ty);
  Key key{s.token.get(),
          m.a,
          m.b,
          m.c,
          m.d,
          static_cast<int>((tx - ix) * kSteps),
          static_cast<int>((ty - iy) * kSteps),
          cx};
  auto [it, fresh] = entries_.try_emplace(key);
  Entry& e = it->second;
  bool seen_before = !fresh && e.last_used + 1 >= frame_ && !e.token.expired();
  e.token = s.token;
  e.last_used = frame_;
  if (!e.image) {
    if (!seen_before) return std::nullopt;
    e.ox = static_cast<int>(std::floor(box.x0 - ix));
    e.oy = static_cast<int>(std::floor(box.y0 - iy));
    int w = static_cast<int>(std::ceil(box.x1 - ix)) - e.ox + 1;
    int h = static_cast<int>(std::ceil(box.y1 - iy)) - e.oy + 1;
    std::size_t pixels = static_cast<std::size_t>(w) * h;
    if (pixels_ + pixels > kBudget) return std::nullopt;
    Matrix local = m;
    local.tx = double(key.fx) / kSteps - e.ox;
    local.ty = double(key.fy) / kSteps - e.oy;
    e.image = paint_image(paint, local, w, h);
    e.pixels = pixels;
    pixels_ += pixels;
  }
  return Copy{e.image.get(), ix + e.ox, iy + e.oy};
}

// Drops entries of shapes that are gone, idle ones, and when over budget
// every one not used this frame.
void ShapeCache::evict(bool all_unused) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    const Entry& e = it->second;
    bool drop = e.token.expired() || e.last_used + kIdleFrames < frame_ ||
                (all_unused && e.last_used < frame_);
    if (drop) {
      pixels_ -= e.pixels;
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
}

void ShapeCache::end_frame() {
  evict(pixels_ > kBudget);
  ++frame_;
}

void ShapeCache::clear() {
  entries_.clear();
  pixels_ = 0;
}

}  // namespace strandel::swf
