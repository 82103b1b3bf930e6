// Helpers for the pixel tests: play a written movie, render it, read pixels.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "swf/movie.h"
#include "swf/player.h"
#include "swf/renderer.h"
#include "swfwriter/swfwriter.h"

namespace render_test {

struct Pixel {
  int r = 0, g = 0, b = 0, a = 0;
};

// An ARGB32 image surface that frees itself.
class Image {
 public:
  Image(int w, int h) : s_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {}
  ~Image() { cairo_surface_destroy(s_); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  cairo_surface_t* surface() const { return s_; }
  int width() const { return cairo_image_surface_get_width(s_); }
  int height() const { return cairo_image_surface_get_height(s_); }

  // Straight (not premultiplied) colour of one pixel.
  Pixel at(int x, int y) const {
    cairo_surface_flush(s_);
    auto* row = cairo_image_surface_get_data(s_) + y * cairo_image_surface_get_stride(s_);
    std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
    int a = p >> 24;
    auto un = [a](int v) { return a ? v * 255 / a : 0; };
    return {un((p >> 16) & 0xFF), un((p >> 8) & 0xFF), un(p & 0xFF), a};
  }

 private:
  cairo_surface_t* s_;
};

// A movie played to a frame and rendered.
struct Rendered {
  std::unique_ptr<strandel::swf::Player> player;
  std::unique_ptr<Image> image;
  Pixel at(int x, int y) const { return image->at(x, y); }
};

inline std::unique_ptr<strandel::swf::Player> play(const swfw::Movie& movie, int frames = 1) {
  auto bytes = movie.bytes();
  auto loaded = strandel::swf::read_movie(bytes);
  if (!loaded.movie) return nullptr;
  auto player = std::make_unique<strandel::swf::Player>(loaded.movie);
  for (int i = 0; i < frames; ++i) player->advance();
  return player;
}

inline void draw(const strandel::swf::Player& p, Image& image) {
  cairo_t* cr = cairo_create(image.surface());
  strandel::swf::render_frame(cr, image.width(), image.height(), p.dictionary(),
                              p.display_list(), p.stage(), p.background());
  cairo_destroy(cr);
}

// Renders at w×h pixels (by default the stage size).
inline Rendered render(const swfw::Movie& movie, int w, int h, int frames = 1) {
  Rendered r;
  r.player = play(movie, frames);
  r.image = std::make_unique<Image>(w, h);
  if (r.player) draw(*r.player, *r.image);
  return r;
}

// Colours are compared with a tolerance for anti-aliasing and JPEG.
inline bool near(Pixel p, int r, int g, int b, int tolerance = 6) {
  auto close = [tolerance](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
  return close(p.r, r) && close(p.g, g) && close(p.b, b);
}

inline std::string str(Pixel p) {
  return "rgba(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) +
         "," + std::to_string(p.a) + ")";
}

}  // namespace render_test
