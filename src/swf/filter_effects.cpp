#include "swf/filter_effects.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace strandel::swf {

namespace {

// Caps on hostile or extreme values: the vendor's player takes blurs up to
// 255 stage pixels and 15 quality passes; beyond that the picture would
// not change visibly but the work would grow.
constexpr double kMaxBlur = 255;
constexpr int kMaxPasses = 15;
constexpr double kMaxDistance = 2000;  // stage pixels
constexpr double kMaxStrength = 255;
// Beyond this many device pixels a filter's spread only reaches past any
// window; the object's picture is clipped to the window anyway.
constexpr double kMaxFilterMargin = 4096;

// One channel of a picture, values 0..1, row by row.
struct Plane {
  int w = 0, h = 0;
  std::vector<float> v;
  Plane(int w_, int h_, float fill = 0) : w(w_), h(h_), v(std::size_t(w_) * h_, fill) {}
  float& at(int x, int y) { return v[std::size_t(y) * w + x]; }
  float get(int x, int y) const {  // zero beyond the edges
    return x < 0 || y < 0 || x >= w || y >= h ? 0.f : v[std::size_t(y) * w + x];
  }
};

// A premultiplied picture as four planes.
struct Picture {
  Plane a, r, g, b;
  Picture(int w, int h) : a(w, h), r(w, h), g(w, h), b(w, h) {}
  int w() const { return a.w; }
  int h() const { return a.h; }
};

Picture read_picture(cairo_surface_t* s) {
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  const std::uint8_t* data = cairo_image_surface_get_data(s);
  Picture p(w, h);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
    for (int x = 0; x < w; ++x) {
      std::uint32_t px = row[x];
      p.a.at(x, y) = (px >> 24) / 255.f;
      p.r.at(x, y) = ((px >> 16) & 0xFF) / 255.f;
      p.g.at(x, y) = ((px >> 8) & 0xFF) / 255.f;
      p.b.at(x, y) = (px & 0xFF) / 255.f;
    }
  }
  return p;
}

std::uint32_t to_byte(float v) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.f, 1.f) * 255.f));
}

void write_picture(const Picture& p, cairo_surface_t* s) {
  int stride = cairo_image_surface_get_stride(s);
  std::uint8_t* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < p.h(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * stride);
    for (int x = 0; x < p.w(); ++x) {
      std::size_t i = std::size_t(y) * p.w() + x;
      std::uint32_t a = to_byte(p.a.v[i]);
      // Premultiplied colour never exceeds its alpha.
      auto c = [a](float v) { return std::min(to_byte(v), a); };
      row[x] = (a << 24) | (c(p.r.v[i]) << 16) | (c(p.g.v[i]) << 8) | c(p.b.v[i]);
    }
  }
  cairo_surface_mark_dirty(s);
}

// One box pass along a line of n values: each becomes the mean of a window
// `width` pixels long centred on it, the window's end pixels weighted by how
// much of them it covers. The window slides, so the cost does not grow with
// the width. `in` is scratch space for a copy of the line.
void box_line(float* line, int n, double width, std::vector<float>& in) {
  in.assign(line, line + n);
  auto at = [&](long k) { return k < 0 || k >= n ? 0.f : in[k]; };
  double lo = 0.5 - width / 2, hi = 0.5 + width / 2;  // the window at pixel 0
  long k0 = static_cast<long>(std::floor(lo)), k1 = static_cast<long>(std::floor(hi));
  float w0 = static_cast<float>(1 - (lo - k0)), w1 = static_cast<float>(hi - k1);
  double inner = 0;  // pixels k0 + 1 .. k1 - 1
  for (long k = k0 + 1; k < k1; ++k) inner += at(k);
  float scale = static_cast<float>(1 / width);
  for (int i = 0; i < n; ++i, ++k0, ++k1) {
    line[i] = static_cast<float>(inner + w0 * at(k0) + w1 * at(k1)) * scale;
    inner += at(k1) - at(k0 + 1);
  }
}

// The plane turned over its diagonal: columns become rows.
Plane transposed(const Plane& p) {
  Plane t(p.h, p.w);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) t.v[std::size_t(x) * p.h + y] = p.v[std::size_t(y) * p.w + x];
  return t;
}

void blur_rows(Plane& p, double width, int passes) {
  if (width <= 1) return;
  std::vector<float> scratch;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < p.h; ++y) box_line(&p.at(0, y), p.w, width, scratch);
}

// A box blur `bx` by `by` pixels wide, repeated `passes` times (repeated
// boxes approach a Gaussian). Values beyond the edges count as zero.
void blur(Plane& p, double bx, double by, int passes) {
  blur_rows(p, bx, passes);
  if (by <= 1 || passes == 0) return;
  Plane t = transposed(p);
  blur_rows(t, by, passes);
  p = transposed(t);
}

// A plane moved by (dx, dy) whole pixels; what comes in from the edges is 0.
Plane shifted(const Plane& p, int dx, int dy) {
  Plane out(p.w, p.h);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) out.at(x, y) = p.get(x - dx, y - dy);
  return out;
}

struct BlurSize {
  double x, y;
  int passes;
};

// A blur of b stage pixels averages a box b pixels wide at the stage's own
// size: the centre pixel and (b - 1) / 2 on each side, which scale with the
// stage. A blur of 1 or less leaves the picture as it is.
BlurSize blur_size(double bx, double by, int passes, double scale) {
  auto clamp_blur = [scale](double b) {
    return std::isfinite(b) && b > 1 ? (std::min(b, kMaxBlur) - 1) * scale + 1 : 0.0;
  };
  return {clamp_blur(bx), clamp_blur(by), std::clamp(passes, 0, kMaxPasses)};
}

float strength_of(double s) {
  return std::isfinite(s) ? static_cast<float>(std::clamp(s, 0.0, kMaxStrength)) : 0.f;
}

// The offset of a shadow or bevel in whole device pixels.
std::array<int, 2> offset_of(double angle, double distance, double scale) {
  if (!std::isfinite(angle) || !std::isfinite(distance)) return {0, 0};
  double d = std::clamp(distance, -kMaxDistance, kMaxDistance) * scale;
  return {static_cast<int>(std::lround(std::cos(angle) * d)),
          static_cast<int>(std::lround(std::sin(angle) * d))};
}

// How an effect's picture (a glow, a shadow, a bevel's light and dark)
// joins the object: behind it outside its outline, on it inside its
// outline, or on it everywhere. Knockout leaves the object out; `hide`
// shows the effect alone and uncut.
enum class Placing { Outer, Inner, Full };

void join(Picture& p, const Picture& effect, Placing where, bool knockout, bool hide = false) {
  float keep = knockout || hide ? 0.f : 1.f;
  Plane* obj[4] = {&p.r, &p.g, &p.b, &p.a};
  const Plane* eff[4] = {&effect.r, &effect.g, &effect.b, &effect.a};
  for (std::size_t i = 0; i < p.a.v.size(); ++i) {
    float sa = p.a.v[i];
    if (where == Placing::Outer) {
      float k = hide && !knockout ? 1.f : 1 - sa;
      for (int c = 0; c < 4; ++c) obj[c]->v[i] = keep * obj[c]->v[i] + eff[c]->v[i] * k;
      continue;
    }
    float k = where == Placing::Inner ? sa : 1.f;
    float under = 1 - effect.a.v[i] * k;
    for (int c = 0; c < 4; ++c) obj[c]->v[i] = eff[c]->v[i] * k + keep * obj[c]->v[i] * under;
  }
}

// An effect picture of one colour with per-pixel coverage 0..1.
Picture coloured(const Plane& cover, Rgba c) {
  Picture e(cover.w, cover.h);
  float a = c.a / 255.f;
  for (std::size_t i = 0; i < cover.v.size(); ++i) {
    float k = std::clamp(cover.v[i], 0.f, 1.f) * a;
    e.r.v[i] = c.r / 255.f * k;
    e.g.v[i] = c.g / 255.f * k;
    e.b.v[i] = c.b / 255.f * k;
    e.a.v[i] = k;
  }
  return e;
}

// Blurred, offset and strengthened alpha: the coverage of a glow or shadow.
// Inner ones grow from the outline inwards, so they start from the inverse.
Plane shadow_cover(const Picture& p, BlurSize b, std::array<int, 2> off, float strength,
                   bool inner) {
  Plane a = p.a;
  if (inner)
    for (float& v : a.v) v = 1 - v;
  blur(a, b.x, b.y, b.passes);
  if (off[0] || off[1]) a = shifted(a, off[0], off[1]);
  for (float& v : a.v) v = std::min(1.f, v * strength);
  return a;
}

void drop_shadow(Picture& p, const DropShadowFilter& f, double scale) {
  Plane cover =
      shadow_cover(p, blur_size(f.blur_x, f.blur_y, f.passes, scale),
                   offset_of(f.angle, f.distance, scale), strength_of(f.strength), f.inner);
  join(p, coloured(cover, f.color), f.inner ? Placing::Inner : Placing::Outer, f.knockout,
       f.hide_object);
}

void glow(Picture& p, const GlowFilter& f, double scale) {
  Plane cover = shadow_cover(p, blur_size(f.blur_x, f.blur_y, f.passes, scale), {0, 0},
                             strength_of(f.strength), f.inner);
  join(p, coloured(cover, f.color), f.inner ? Placing::Inner : Placing::Outer, f.knockout,
       f.hide_object);
}

Placing bevel_placing(bool inner, bool on_top) {
  return on_top ? Placing::Full : inner ? Placing::Inner : Placing::Outer;
}

// A bevel's light and dark sides: the blurred alpha seen from both ends of
// the offset, which points away from the light. Where the coverage grows
// along the offset, the edge faces the light: positive, the highlight;
// where it falls, negative, the shadow.
Plane bevel_relief(const Picture& p, BlurSize b, std::array<int, 2> off, float strength) {
  Plane a = p.a;
  blur(a, b.x, b.y, b.passes);
  // shifted(a, d) at x holds a at x - d.
  Plane before = shifted(a, off[0], off[1]), after = shifted(a, -off[0], -off[1]);
  Plane relief(p.w(), p.h());
  for (std::size_t i = 0; i < relief.v.size(); ++i)
    relief.v[i] = std::clamp((after.v[i] - before.v[i]) * strength, -1.f, 1.f);
  return relief;
}

// The relief's light side in the highlight colour, its dark side in the
// shadow colour.
Picture relief_picture(const Plane& relief, Rgba highlight, Rgba shadow) {
  Plane light(relief.w, relief.h), dark(relief.w, relief.h);
  for (std::size_t i = 0; i < relief.v.size(); ++i) {
    light.v[i] = std::max(0.f, relief.v[i]);
    dark.v[i] = std::max(0.f, -relief.v[i]);
  }
  Picture e = coloured(light, highlight), d = coloured(dark, shadow);
  for (std::size_t i = 0; i < e.a.v.size(); ++i) {
    e.r.v[i] += d.r.v[i];
    e.g.v[i] += d.g.v[i];
    e.b.v[i] += d.b.v[i];
    e.a.v[i] += d.a.v[i];
  }
  return e;
}

void bevel(Picture& p, const BevelFilter& f, double scale) {
  Plane relief = bevel_relief(p, blur_size(f.blur_x, f.blur_y, f.passes, scale),
                              offset_of(f.angle, f.distance, scale), strength_of(f.strength));
  join(p, relief_picture(relief, f.highlight, f.shadow), bevel_placing(f.inner, f.on_top),
       f.knockout);
}

// A gradient's colour for each of 256 positions.
std::array<Rgba, 256> gradient_table(const std::vector<GradientStop>& stops) {
  std::array<Rgba, 256> table{};
  if (stops.empty()) return table;
  for (int i = 0; i < 256; ++i) {
    std::size_t k = 0;
    while (k < stops.size() && stops[k].ratio < i) ++k;
    if (k == 0 || k == stops.size()) {
      table[i] = stops[k == 0 ? 0 : stops.size() - 1].color;
      continue;
    }
    const GradientStop &lo = stops[k - 1], &hi = stops[k];
    double t = hi.ratio == lo.ratio ? 1 : double(i - lo.ratio) / (hi.ratio - lo.ratio);
    auto mix = [t](std::uint8_t a, std::uint8_t b) {
      return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
    };
    table[i] = {mix(lo.color.r, hi.color.r), mix(lo.color.g, hi.color.g),
                mix(lo.color.b, hi.color.b), mix(lo.color.a, hi.color.a)};
  }
  return table;
}

// The table's colour at each pixel's position (0..1 in `index`).
Picture tabled(const Plane& index, const std::array<Rgba, 256>& table) {
  Picture e(index.w, index.h);
  for (std::size_t i = 0; i < index.v.size(); ++i) {
    const Rgba& c = table[std::clamp(static_cast<int>(std::lround(index.v[i] * 255)), 0, 255)];
    float a = c.a / 255.f;
    e.r.v[i] = c.r / 255.f * a;
    e.g.v[i] = c.g / 255.f * a;
    e.b.v[i] = c.b / 255.f * a;
    e.a.v[i] = a;
  }
  return e;
}

void gradient_glow(Picture& p, const GradientGlowFilter& f, double scale) {
  Plane cover =
      shadow_cover(p, blur_size(f.blur_x, f.blur_y, f.passes, scale),
                   offset_of(f.angle, f.distance, scale), strength_of(f.strength), f.inner);
  join(p, tabled(cover, gradient_table(f.stops)), bevel_placing(f.inner, f.on_top), f.knockout);
}

// Relief -1 (shadow side) .. 1 (light side) maps to positions 0 .. 255:
// the gradient runs from shadow through the middle to highlight.
void gradient_bevel(Picture& p, const GradientBevelFilter& f, double scale) {
  Plane relief = bevel_relief(p, blur_size(f.blur_x, f.blur_y, f.passes, scale),
                              offset_of(f.angle, f.distance, scale), strength_of(f.strength));
  for (float& v : relief.v) v = (1 + v) / 2;
  join(p, tabled(relief, gradient_table(f.stops)), bevel_placing(f.inner, f.on_top), f.knockout);
}

void blur_filter(Picture& p, const BlurFilter& f, double scale) {
  BlurSize b = blur_size(f.blur_x, f.blur_y, f.passes, scale);
  for (Plane* plane : {&p.a, &p.r, &p.g, &p.b}) blur(*plane, b.x, b.y, b.passes);
}

// The matrix works on straight colour in 0..255 units.
void color_matrix(Picture& p, const ColorMatrixFilter& f) {
  const auto& m = f.matrix;
  for (double v : m)
    if (!std::isfinite(v)) return;
  for (std::size_t i = 0; i < p.a.v.size(); ++i) {
    float a = p.a.v[i];
    double in[4] = {a > 0 ? p.r.v[i] / a * 255.0 : 0, a > 0 ? p.g.v[i] / a * 255.0 : 0,
                    a > 0 ? p.b.v[i] / a * 255.0 : 0, a * 255.0};
    double out[4];
    for (int row = 0; row < 4; ++row) {
      const double* k = &m[row * 5];
      out[row] =
          std::clamp(k[0] * in[0] + k[1] * in[1] + k[2] * in[2] + k[3] * in[3] + k[4], 0.0, 255.0) /
          255.0;
    }
    p.a.v[i] = static_cast<float>(out[3]);
    p.r.v[i] = static_cast<float>(out[0] * out[3]);
    p.g.v[i] = static_cast<float>(out[1] * out[3]);
    p.b.v[i] = static_cast<float>(out[2] * out[3]);
  }
}

void convolution(Picture& p, const ConvolutionFilter& f) {
  if (f.columns <= 0 || f.rows <= 0 || f.matrix.size() != std::size_t(f.columns) * f.rows) return;
  double divisor = f.divisor != 0 && std::isfinite(f.divisor) ? f.divisor : 1;
  double bias = std::isfinite(f.bias) ? f.bias / 255.0 : 0;
  Picture src = p;
  int cx = f.columns / 2, cy = f.rows / 2;
  float def[4] = {f.default_color.r / 255.f, f.default_color.g / 255.f, f.default_color.b / 255.f,
                  f.default_color.a / 255.f};
  Plane* planes[4] = {&src.r, &src.g, &src.b, &src.a};
  Plane* outs[4] = {&p.r, &p.g, &p.b, &p.a};
  for (int y = 0; y < p.h(); ++y) {
    for (int x = 0; x < p.w(); ++x) {
      for (int ch = 0; ch < (f.preserve_alpha ? 3 : 4); ++ch) {
        double sum = 0;
        for (int j = 0; j < f.rows; ++j) {
          for (int i = 0; i < f.columns; ++i) {
            int sx = x + i - cx, sy = y + j - cy;
            float v;
            if (sx >= 0 && sy >= 0 && sx < p.w() && sy < p.h())
              v = planes[ch]->at(sx, sy);
            else if (f.clamp)
              v = planes[ch]->at(std::clamp(sx, 0, p.w() - 1), std::clamp(sy, 0, p.h() - 1));
            else
              v = def[ch];
            sum += f.matrix[std::size_t(j) * f.columns + i] * v;
          }
        }
        outs[ch]->at(x, y) = static_cast<float>(std::clamp(sum / divisor + bias, 0.0, 1.0));
      }
    }
  }
}

// A convolution this many cells or more over this many pixels is skipped:
// at 255 × 255 cells a stage-sized picture would take minutes.
constexpr double kMaxConvolutionWork = 2e8;

void apply(Picture& p, const Filter& filter, double scale) {
  std::visit(
      [&](const auto& f) {
        using F = std::decay_t<decltype(f)>;
        if constexpr (std::is_same_v<F, DropShadowFilter>)
          drop_shadow(p, f, scale);
        else if constexpr (std::is_same_v<F, BlurFilter>)
          blur_filter(p, f, scale);
        else if constexpr (std::is_same_v<F, GlowFilter>)
          glow(p, f, scale);
        else if constexpr (std::is_same_v<F, BevelFilter>)
          bevel(p, f, scale);
        else if constexpr (std::is_same_v<F, GradientGlowFilter>)
          gradient_glow(p, f, scale);
        else if constexpr (std::is_same_v<F, GradientBevelFilter>)
          gradient_bevel(p, f, scale);
        else if constexpr (std::is_same_v<F, ColorMatrixFilter>)
          color_matrix(p, f);
        else if constexpr (std::is_same_v<F, ConvolutionFilter>) {
          if (double(f.matrix.size()) * p.w() * p.h() < kMaxConvolutionWork) convolution(p, f);
        }
      },
      filter);
}

// What one picture's filter list may cost, in steps of one pixel of one
// plane: about one blur of 15 passes over a full-screen picture. Each
// filter is held to its own caps; the first is always drawn, and the list
// stops where the next would go past this, so that a list of 255 costly
// filters (or as many as a script makes) cannot stall a frame.
constexpr double kMaxFilterListWork = 2e8;

double work_of(const Filter& filter, const Picture& p, double scale) {
  double pixels = double(p.w()) * p.h();
  return std::visit(
      [&](const auto& f) {
        if constexpr (requires { f.blur_x; })
          return pixels * (8.0 * blur_size(f.blur_x, f.blur_y, f.passes, scale).passes + 16);
        else if constexpr (requires { f.columns; })
          return pixels * 16.0 * double(f.matrix.size());  // a cell is slower than a step
        else
          return pixels * 4.0;
      },
      filter);
}

}  // namespace

void apply_filters(cairo_surface_t* picture, const std::vector<Filter>& filters, double scale,
                   double& frame_work_left) {
  if (filters.empty() || !picture || cairo_surface_get_type(picture) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(picture) != CAIRO_FORMAT_ARGB32)
    return;
  cairo_surface_flush(picture);
  Picture p = read_picture(picture);
  double work = 0;
  for (const Filter& f : filters) {
    double cost = work_of(f, p, scale);
    work += cost;
    if ((work > kMaxFilterListWork && &f != &filters.front()) || cost > frame_work_left) break;
    frame_work_left -= cost;
    apply(p, f, scale);
  }
  write_picture(p, picture);
}

void apply_filters(cairo_surface_t* picture, const std::vector<Filter>& filters, double scale) {
  double work_left = kMaxFrameFilterWork;
  apply_filters(picture, filters, scale, work_left);
}

double filter_margin(const std::vector<Filter>& filters, double scale) {
  double margin = 0;
  for (const Filter& filter : filters) {
    std::visit(
        [&](const auto& f) {
          if constexpr (requires { f.blur_x; }) {
            BlurSize b = blur_size(f.blur_x, f.blur_y, f.passes, scale);
            double spread = std::max(b.x, b.y) * std::max(b.passes, 1) / 2;
            if constexpr (requires { f.distance; })
              spread += std::fabs(std::isfinite(f.distance) ? f.distance : 0) * scale;
            margin += spread;
          }
        },
        filter);
  }
  return std::min(margin, kMaxFilterMargin);
}

}  // namespace strandel::swf
