#include "swf/paint.h"

#include <algorithm>
#include <cmath>

namespace strandel::swf {

namespace {

std::uint8_t channel(double v, double mult, double add) {
  return static_cast<std::uint8_t>(std::clamp(v * mult + add, 0.0, 255.0));
}

// A copy of a premultiplied surface with the colour transform applied to
// every pixel.
PatternPtr transformed_bitmap(cairo_surface_t* s, const ColorTransform& cx) {
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_surface_flush(s);
  cairo_surface_flush(out);
  for (int y = 0; y < h; ++y) {
    auto* src = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                       y * cairo_image_surface_get_stride(s));
    auto* dst = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(out) +
                                                 y * cairo_image_surface_get_stride(out));
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = src[x];
      unsigned a = p >> 24;
      auto straight = [a](unsigned v) { return a ? std::min(255u, v * 255 / a) : 0u; };
      Rgba c =
          transformed({static_cast<std::uint8_t>(straight((p >> 16) & 0xFF)),
                       static_cast<std::uint8_t>(straight((p >> 8) & 0xFF)),
                       static_cast<std::uint8_t>(straight(p & 0xFF)), static_cast<std::uint8_t>(a)},
                      cx);
      dst[x] = (unsigned(c.a) << 24) | ((c.r * c.a / 255) << 16) | ((c.g * c.a / 255) << 8) |
               (c.b * c.a / 255);
    }
  }
  cairo_surface_mark_dirty(out);
  PatternPtr p = own_pattern(cairo_pattern_create_for_surface(out));
  cairo_surface_destroy(out);
  return p;
}

// Gradients live in a square from -16384 to 16384 twips in gradient space.
// The pattern is made in a smaller square: cairo's image backend keeps
// pattern coordinates in 16.16 fixed point, and a spread gradient painted
// a few of its sizes out would overflow at full size and draw nothing.
constexpr double kGradientHalf = 256;
constexpr double kToPattern = kGradientHalf / 16384;

// The focal point is held this far inside the circle: closer to its edge
// the player draws it as here.
constexpr double kMaxFocalPoint = 251.0 / 256;
// Stops added between two stops of a gradient interpolated in linear RGB.
constexpr int kLinearSteps = 16;

double to_linear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double from_linear(double v) {
  return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

void add_stop(cairo_pattern_t* p, double offset, Rgba c) {
  cairo_pattern_add_color_stop_rgba(p, offset, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

// Cairo blends stops in sRGB; a gradient blended in linear RGB gets stops in
// between that follow the linear blend.
void add_linear_stops(cairo_pattern_t* p, double from, Rgba a, double to, Rgba b) {
  for (int i = 1; i < kLinearSteps; ++i) {
    double t = double(i) / kLinearSteps;
    auto mix = [t](std::uint8_t x, std::uint8_t y) {
      double v = from_linear(to_linear(x / 255.0) * (1 - t) + to_linear(y / 255.0) * t);
      return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    Rgba c{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b),
           static_cast<std::uint8_t>(std::lround(a.a * (1 - t) + b.a * t))};
    add_stop(p, from + (to - from) * t, c);
  }
}

PatternPtr make_gradient(const FillStyle& f, const ColorTransform& cx, const Matrix& inverse) {
  cairo_pattern_t* p;
  if (f.kind == FillStyle::Kind::Linear) {
    p = cairo_pattern_create_linear(-kGradientHalf, 0, kGradientHalf, 0);
  } else {
    double focal = f.kind == FillStyle::Kind::Focal
                       ? std::clamp(f.gradient.focal_point, -kMaxFocalPoint, kMaxFocalPoint)
                       : 0;
    p = cairo_pattern_create_radial(focal * kGradientHalf, 0, 0, 0, 0, kGradientHalf);
  }
  const GradientStop* last = nullptr;
  for (const GradientStop& s : f.gradient.stops) {
    Rgba c = transformed(s.color, cx);
    if (last && f.gradient.linear_rgb)
      add_linear_stops(p, last->ratio / 255.0, transformed(last->color, cx), s.ratio / 255.0, c);
    add_stop(p, s.ratio / 255.0, c);
    last = &s;
  }
  static constexpr cairo_extend_t kExtend[] = {CAIRO_EXTEND_PAD, CAIRO_EXTEND_REFLECT,
                                               CAIRO_EXTEND_REPEAT};
  cairo_pattern_set_extend(p, kExtend[static_cast<int>(f.gradient.spread)]);
  cairo_matrix_t cm = to_cairo(inverse.then(Matrix{kToPattern, 0, 0, kToPattern, 0, 0}));
  cairo_pattern_set_matrix(p, &cm);
  return own_pattern(p);
}

// Paints one shape's styles on one cairo context.
class ShapePainter {
 public:
  ShapePainter(cairo_t* cr, const Dictionary& dict, PaintMode mode)
      : cr_(cr), dict_(dict), mode_(mode) {}

  void paint(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx);

 private:
  void fill_layer(const ShapeLayer& layer, const ColorTransform& cx);
  void clip_to_fills(const ShapeLayer& layer, std::size_t n);
  void fill(const FillStyle& f, const Path& path, const ColorTransform& cx);
  void stroke(const LineStyle& l, const Path& path, const Matrix& m, const ColorTransform& cx);
  bool set_fill_source(const FillStyle& f, const ColorTransform& cx, double& alpha);

  cairo_t* cr_;
  const Dictionary& dict_;
  PaintMode mode_;
};

void ShapePainter::paint(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx) {
  set_matrix(cr_, m);
  cairo_set_fill_rule(cr_, s.nonzero_winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  for (const ShapeLayer& layer : s.layers) {
    fill_layer(layer, cx);
    if (mode_ == PaintMode::Mask) continue;  // clip layers use the fills alone
    for (std::size_t i = 0; i < layer.lines.size() && i < layer.line_paths.size(); ++i)
      if (!layer.line_paths[i].empty()) stroke(layer.lines[i], layer.line_paths[i], m, cx);
  }
}

// The fills of one layer meet edge to edge without overlapping. Drawn one
// over another, a pixel an edge between two of them crosses is covered by
// each in part and lets what lies beneath show through as a faint seam. On
// a picture of their own the fills' parts add up to the whole pixel (where
// the fills of a badly made shape overlap, the one drawn first stays).
void ShapePainter::fill_layer(const ShapeLayer& layer, const ColorTransform& cx) {
  std::size_t n = std::min(layer.fills.size(), layer.fill_paths.size());
  auto drawn = std::count_if(layer.fill_paths.begin(), layer.fill_paths.begin() + n,
                             [](const Path& p) { return !p.empty(); });
  bool seams =
      drawn > 1 && mode_ == PaintMode::Colour && cairo_get_antialias(cr_) != CAIRO_ANTIALIAS_NONE;
  if (seams) {
    cairo_save(cr_);
    clip_to_fills(layer, n);
    cairo_push_group(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SATURATE);
  }
  for (std::size_t i = 0; i < n; ++i)
    if (!layer.fill_paths[i].empty()) fill(layer.fills[i], layer.fill_paths[i], cx);
  if (seams) {
    cairo_pop_group_to_source(cr_);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }
}

// Clips to the device pixels the layer's fills reach, so that their picture
// is no larger than they are.
void ShapePainter::clip_to_fills(const ShapeLayer& layer, std::size_t n) {
  cairo_new_path(cr_);
  for (std::size_t i = 0; i < n; ++i) layer.fill_paths[i].append_to(cr_);
  double x0, y0, x1, y1;
  cairo_fill_extents(cr_, &x0, &y0, &x1, &y1);
  cairo_new_path(cr_);
  double xs[] = {x0, x1, x1, x0}, ys[] = {y0, y0, y1, y1};
  double lo_x = INFINITY, lo_y = INFINITY, hi_x = -INFINITY, hi_y = -INFINITY;
  for (int k = 0; k < 4; ++k) {
    cairo_user_to_device(cr_, &xs[k], &ys[k]);
    lo_x = std::min(lo_x, xs[k]), hi_x = std::max(hi_x, xs[k]);
    lo_y = std::min(lo_y, ys[k]), hi_y = std::max(hi_y, ys[k]);
  }
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  cairo_identity_matrix(cr_);
  cairo_rectangle(cr_, std::floor(lo_x) - 1, std::floor(lo_y) - 1,
                  std::ceil(hi_x) - std::floor(lo_x) + 2, std::ceil(hi_y) - std::floor(lo_y) + 2);
  cairo_clip(cr_);
  cairo_set_matrix(cr_, &m);
}

void ShapePainter::fill(const FillStyle& f, const Path& path, const ColorTransform& cx) {
  cairo_new_path(cr_);
  path.append_to(cr_);
  if (mode_ == PaintMode::Mask) {
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    cairo_fill(cr_);
    return;
  }
  double alpha = 1;
  if (!set_fill_source(f, cx, alpha)) return cairo_new_path(cr_);
  if (alpha >= 1) return cairo_fill(cr_);
  // A faded bitmap: paint through the path with the fade as alpha.
  cairo_save(cr_);
  cairo_clip(cr_);
  cairo_paint_with_alpha(cr_, alpha);
  cairo_restore(cr_);
}

// Sets the source for a fill; false when it draws nothing. Bitmaps faded by
// an alpha-only colour transform keep their pattern and return the fade.
bool ShapePainter::set_fill_source(const FillStyle& f, const ColorTransform& cx, double& alpha) {
  switch (f.kind) {
    case FillStyle::Kind::Solid:
      set_source(cr_, transformed(f.color, cx));
      return true;
    case FillStyle::Kind::Linear:
    case FillStyle::Kind::Radial:
    case FillStyle::Kind::Focal: {
      const auto& stops = f.gradient.stops;
      if (stops.empty()) return false;
      auto inverse = f.matrix.inverse();
      // A gradient squeezed to nothing shows its outermost colour.
      if (stops.size() == 1 || !inverse) {
        set_source(cr_, transformed(stops.back().color, cx));
        return true;
      }
      if (!is_identity(cx)) {
        cairo_set_source(cr_, make_gradient(f, cx, *inverse).get());
      } else {
        if (!f.cached_pattern) f.cached_pattern = make_gradient(f, cx, *inverse);
        cairo_set_source(cr_, f.cached_pattern.get());
      }
      return true;
    }
    case FillStyle::Kind::Bitmap: {
      const BitmapDefinition* b = f.pixels ? nullptr : dict_.bitmap(f.bitmap_id);
      cairo_surface_t* surface = f.pixels ? f.pixels.get() : b ? b->surface.get() : nullptr;
      auto inverse = f.matrix.inverse();
      if (!surface || !inverse) return false;
      bool fade_only = cx.rm == 1 && cx.gm == 1 && cx.bm == 1 && cx.ra == 0 && cx.ga == 0 &&
                       cx.ba == 0 && cx.aa == 0;
      PatternPtr p = fade_only ? own_pattern(cairo_pattern_create_for_surface(surface))
                               : transformed_bitmap(surface, cx);
      if (fade_only) alpha = std::clamp(cx.am, 0.0, 1.0);
      cairo_matrix_t cm = to_cairo(*inverse);
      cairo_pattern_set_matrix(p.get(), &cm);
      cairo_pattern_set_extend(p.get(), f.repeat ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
      cairo_pattern_set_filter(p.get(), f.smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
      cairo_set_source(cr_, p.get());
      return true;
    }
  }
  return false;
}

// Device pixels a thin line moves so that one on a pixel boundary falls on
// the pixel after it rather than before.
constexpr double kThinLineNudge = 1.0 / 64;

void ShapePainter::stroke(const LineStyle& l, const Path& path, const Matrix& m,
                          const ColorTransform& cx) {
  double alpha = 1;
  if (l.has_fill) {
    if (!set_fill_source(l.fill, cx, alpha)) return;
  } else {
    set_source(cr_, transformed(l.color, cx));
  }
  // Lines scale with the object but are never thinner than one pixel.
  double scale = std::sqrt(std::fabs(m.determinant()));
  double width = std::max<double>(l.width, 1.0 / scale);
  static constexpr cairo_line_cap_t kCaps[] = {CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_BUTT,
                                               CAIRO_LINE_CAP_SQUARE};
  static constexpr cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL,
                                                 CAIRO_LINE_JOIN_MITER};
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, kCaps[static_cast<int>(l.start_cap)]);
  cairo_set_line_join(cr_, kJoins[static_cast<int>(l.join)]);
  cairo_set_miter_limit(cr_, l.miter_limit);
  // Lines one pixel wide or less are drawn solid, one whole pixel at each
  // step, not spread thin over two pixels by anti-aliasing. One that runs
  // along a pixel boundary takes the pixel after it (right or below).
  bool thin = width * scale <= 1.0;
  cairo_antialias_t antialias = cairo_get_antialias(cr_);
  if (thin) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    set_matrix(cr_, m.then(Matrix{1, 0, 0, 1, kThinLineNudge, kThinLineNudge}));
  }
  cairo_new_path(cr_);
  path.append_to(cr_);
  cairo_stroke(cr_);
  cairo_set_antialias(cr_, antialias);
  if (thin) set_matrix(cr_, m);
}

}  // namespace

PatternPtr own_pattern(cairo_pattern_t* p) { return PatternPtr(p, cairo_pattern_destroy); }

cairo_matrix_t to_cairo(const Matrix& m) { return {m.a, m.b, m.c, m.d, m.tx, m.ty}; }

void set_matrix(cairo_t* cr, const Matrix& m) {
  cairo_matrix_t cm = to_cairo(m);
  cairo_set_matrix(cr, &cm);
}

bool usable(const Matrix& m) {
  double det = m.determinant();
  return std::isfinite(det) && std::isfinite(m.tx) && std::isfinite(m.ty) && std::fabs(det) > 1e-12;
}

bool is_identity(const ColorTransform& cx) { return cx == ColorTransform{}; }

Rgba transformed(Rgba c, const ColorTransform& cx) {
  return {channel(c.r, cx.rm, cx.ra), channel(c.g, cx.gm, cx.ga), channel(c.b, cx.bm, cx.ba),
          channel(c.a, cx.am, cx.aa)};
}

void set_source(cairo_t* cr, Rgba c) {
  cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

Box device_box(const Rect& r, const Matrix& m, double margin) {
  double xs[4], ys[4];
  const double px[4] = {double(r.xmin), double(r.xmax), double(r.xmin), double(r.xmax)};
  const double py[4] = {double(r.ymin), double(r.ymin), double(r.ymax), double(r.ymax)};
  for (int i = 0; i < 4; ++i) {
    Point p = m.apply(px[i], py[i]);
    xs[i] = p.x;
    ys[i] = p.y;
  }
  return {*std::min_element(xs, xs + 4) - margin, *std::min_element(ys, ys + 4) - margin,
          *std::max_element(xs, xs + 4) + margin, *std::max_element(ys, ys + 4) + margin};
}

void paint_shape(cairo_t* cr, const Dictionary& dict, const ShapeDefinition& s, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode) {
  ShapePainter(cr, dict, mode).paint(s, m, cx);
}

void paint_bitmap(cairo_t* cr, const BitmapDefinition& b, const Matrix& m, const ColorTransform& cx,
                  PaintMode mode) {
  Matrix mm = Matrix{20, 0, 0, 20, 0, 0}.then(m);
  if (!usable(mm) || !b.surface) return;
  set_matrix(cr, mm);
  cairo_rectangle(cr, 0, 0, b.width, b.height);
  if (mode == PaintMode::Mask) {
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    return;
  }
  cairo_set_source_surface(cr, b.surface.get(), 0, 0);
  cairo_save(cr);
  cairo_clip(cr);
  cairo_paint_with_alpha(cr, std::clamp(cx.am, 0.0, 1.0));
  cairo_restore(cr);
}

void paint_image(cairo_t* cr, cairo_surface_t* image, bool smoothing, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode) {
  Matrix mm = Matrix{20, 0, 0, 20, 0, 0}.then(m);
  if (!usable(mm) || !image) return;
  if (mm.a == 1 && mm.d == 1 && mm.b == 0 && mm.c == 0) {
    mm.tx = std::round(mm.tx);
    mm.ty = std::round(mm.ty);
  }
  int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  set_matrix(cr, mm);
  cairo_rectangle(cr, 0, 0, w, h);
  if (mode == PaintMode::Mask) {
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    return;
  }
  bool fade_only = cx.rm == 1 && cx.gm == 1 && cx.bm == 1 && cx.ra == 0 && cx.ga == 0 &&
                   cx.ba == 0 && cx.aa == 0;
  PatternPtr p = fade_only ? own_pattern(cairo_pattern_create_for_surface(image))
                           : transformed_bitmap(image, cx);
  cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(p.get(), smoothing ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, p.get());
  if (fade_only && cx.am < 1) {
    cairo_save(cr);
    cairo_clip(cr);
    cairo_paint_with_alpha(cr, std::max(cx.am, 0.0));
    cairo_restore(cr);
    return;
  }
  cairo_fill(cr);
}

namespace {

// A decoded picture (or, when null, nothing) stretched over width × height
// pixels.
void paint_video_picture(cairo_t* cr, cairo_surface_t* picture, int width, int height,
                         bool smoothing, const Matrix& m, const ColorTransform& cx,
                         PaintMode mode) {
  Matrix mm = Matrix{20, 0, 0, 20, 0, 0}.then(m);
  if (!usable(mm) || width <= 0 || height <= 0) return;
  set_matrix(cr, mm);
  cairo_rectangle(cr, 0, 0, width, height);
  if (mode == PaintMode::Mask) {
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    return;
  }
  if (!picture) return cairo_new_path(cr);
  int w = cairo_image_surface_get_width(picture), h = cairo_image_surface_get_height(picture);
  PatternPtr p = is_identity(cx) ? own_pattern(cairo_pattern_create_for_surface(picture))
                                 : transformed_bitmap(picture, cx);
  cairo_matrix_t scale;
  cairo_matrix_init_scale(&scale, double(w) / width, double(h) / height);
  cairo_pattern_set_matrix(p.get(), &scale);
  cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(p.get(), smoothing ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, p.get());
  cairo_fill(cr);
}

}  // namespace

void paint_video(cairo_t* cr, const VideoDefinition& v, std::uint16_t number, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode) {
  cairo_surface_t* picture = mode == PaintMode::Mask ? nullptr : video_frame(v, number);
  paint_video_picture(cr, picture, v.width, v.height, v.smoothing, m, cx, mode);
}

void paint_streamed_video(cairo_t* cr, const VideoDefinition& v, const StreamedVideo& stream,
                          bool smoothing, const Matrix& m, const ColorTransform& cx,
                          PaintMode mode) {
  cairo_surface_t* picture =
      mode == PaintMode::Mask || !stream.frame ? nullptr : video_frame(stream.video, *stream.frame);
  paint_video_picture(cr, picture, v.width, v.height, v.smoothing || smoothing, m, cx, mode);
}

}  // namespace strandel::swf
