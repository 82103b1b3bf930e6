#include "swf/blend.h"

#include <algorithm>
#include <optional>

namespace strandel::swf {

namespace {

// A premultiplied ARGB32 image surface's pixels, with the device offset
// that places them (pixel x, y shows device x - dx, y - dy).
struct Pixels {
  std::uint8_t* data = nullptr;
  int width = 0, height = 0, stride = 0;
  double dx = 0, dy = 0;

  static std::optional<Pixels> of(cairo_surface_t* s) {
    if (!s || cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32)
      return std::nullopt;
    cairo_surface_flush(s);
    Pixels p{cairo_image_surface_get_data(s), cairo_image_surface_get_width(s),
             cairo_image_surface_get_height(s), cairo_image_surface_get_stride(s)};
    cairo_surface_get_device_offset(s, &p.dx, &p.dy);
    if (!p.data) return std::nullopt;
    return p;
  }
  std::uint32_t* row(int y) const { return reinterpret_cast<std::uint32_t*>(data + y * stride); }
};

cairo_surface_t* surface_of(cairo_pattern_t* p) {
  cairo_surface_t* s = nullptr;
  if (cairo_pattern_get_surface(p, &s) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

// Subtract takes the picture's colour from the backdrop's, channel by
// channel, where the picture covers it; alpha is the backdrop's.
void subtract(cairo_t* cr, cairo_pattern_t* picture) {
  auto src = Pixels::of(surface_of(picture));
  cairo_surface_t* target = cairo_get_group_target(cr);
  auto dst = Pixels::of(target);
  if (!src || !dst) return;
  int ox = static_cast<int>(dst->dx - src->dx), oy = static_cast<int>(dst->dy - src->dy);
  for (int y = 0; y < src->height; ++y) {
    int ty = y + oy;
    if (ty < 0 || ty >= dst->height) continue;
    const std::uint32_t* s = src->row(y);
    std::uint32_t* d = dst->row(ty);
    for (int x = 0; x < src->width; ++x) {
      int tx = x + ox;
      if (tx < 0 || tx >= dst->width || (s[x] >> 24) == 0) continue;
      std::uint32_t out = d[tx] & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        int v = int((d[tx] >> shift) & 0xFF) - int((s[x] >> shift) & 0xFF);
        out |= std::uint32_t(std::max(v, 0)) << shift;
      }
      d[tx] = out;
    }
  }
  cairo_surface_mark_dirty(target);
}

// The smallest device rectangle holding the picture's non-transparent
// pixels, as a clip on cr; false when there are none.
bool clip_to_drawn(cairo_t* cr, cairo_pattern_t* picture) {
  auto p = Pixels::of(surface_of(picture));
  if (!p) return true;
  int x0 = p->width, y0 = p->height, x1 = -1, y1 = -1;
  for (int y = 0; y < p->height; ++y) {
    const std::uint32_t* r = p->row(y);
    for (int x = 0; x < p->width; ++x) {
      if ((r[x] >> 24) == 0) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
  }
  if (x1 < 0) return false;
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_rectangle(cr, x0 - p->dx, y0 - p->dy, x1 - x0 + 1, y1 - y0 + 1);
  cairo_restore(cr);
  cairo_clip(cr);
  return true;
}

cairo_operator_t cairo_operator_for(BlendMode mode) {
  switch (mode) {
    case BlendMode::Multiply:
      return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen:
      return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Lighten:
      return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::Darken:
      return CAIRO_OPERATOR_DARKEN;
    case BlendMode::Difference:
      return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::Add:
      return CAIRO_OPERATOR_ADD;
    case BlendMode::Overlay:
      return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::HardLight:
      return CAIRO_OPERATOR_HARD_LIGHT;
    case BlendMode::Alpha:
      return CAIRO_OPERATOR_DEST_IN;
    case BlendMode::Erase:
      return CAIRO_OPERATOR_DEST_OUT;
    default:
      return CAIRO_OPERATOR_OVER;
  }
}

}  // namespace

BlendMode blend_mode_from_byte(std::uint8_t value) {
  if (value < static_cast<std::uint8_t>(BlendMode::Normal) ||
      value > static_cast<std::uint8_t>(BlendMode::HardLight))
    return BlendMode::Normal;
  return static_cast<BlendMode>(value);
}

void composite(cairo_t* cr, cairo_pattern_t* picture, BlendMode mode) {
  cairo_save(cr);
  switch (mode) {
    case BlendMode::Subtract:
      subtract(cr, picture);
      break;
    case BlendMode::Invert:
      // The backdrop turned to its negative wherever the picture covers it.
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
      cairo_mask(cr, picture);
      break;
    case BlendMode::Alpha:
      // Keeps the layer where the picture is opaque, within the picture's
      // extent: the layer elsewhere is left alone.
      if (clip_to_drawn(cr, picture)) {
        cairo_set_source(cr, picture);
        cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
        cairo_paint(cr);
      }
      break;
    default:
      cairo_set_source(cr, picture);
      cairo_set_operator(cr, cairo_operator_for(mode));
      cairo_paint(cr);
      break;
  }
  cairo_restore(cr);
}

}  // namespace strandel::swf
