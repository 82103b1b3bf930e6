// MovieClip's drawing methods: lineStyle, lineGradientStyle, beginFill,
// beginGradientFill, beginBitmapFill, moveTo, lineTo, curveTo, endFill and
// clear, and attachBitmap. The drawing methods add to the clip's
// swf::Drawing, which the renderer paints under the clip's children.
// Scripts give pixels; the drawing keeps twips.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "avm1/array.h"
#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "swf/display_list.h"
#include "swf/drawing.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// Stops a gradient takes; more are ignored.
constexpr std::uint32_t kMaxStops = 15;
// The widest line, in pixels.
constexpr double kMaxLineWidth = 255;
// Coordinates beyond this many twips are held there.
constexpr double kMaxTwips = 1 << 30;

swf::DisplayObject* clip_of(const Value& self) {
  swf::DisplayObject* obj = display_object(self);
  return obj && obj->is_clip() ? obj : nullptr;
}

swf::Drawing& drawing_of(swf::DisplayObject& clip) {
  if (!clip.drawing) clip.drawing = std::make_shared<swf::Drawing>();
  return *clip.drawing;
}

void changed(const Value& self) {
  if (ClipObject* c = as_clip(self)) c->player().mark_dirty();
}

double twips(Activation& act, const Value& v) {
  double t = std::round(act.to_number(v) * 20);
  return std::isnan(t) ? 0 : std::clamp(t, -kMaxTwips, kMaxTwips);
}

// An alpha of 0 to 100, 100 when not given.
std::uint8_t alpha_of(Activation& act, const Value& v) {
  if (v.is_undefined()) return 255;
  double a = act.to_number(v);
  if (std::isnan(a)) return 0;
  return static_cast<std::uint8_t>(std::clamp(a, 0.0, 100.0) * 255 / 100);
}

swf::Rgba color_of(Activation& act, const Value& rgb, std::uint8_t alpha) {
  auto c = static_cast<std::uint32_t>(act.to_int32(rgb));
  return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
          static_cast<std::uint8_t>(c), alpha};
}

std::string text(Activation& act, const Value& v) { return act.to_string(v).str(); }

double field(Activation& act, const Value& object, const char* name) {
  return act.to_number(act.get(object, name));
}

// A gradient's matrix: a box (matrixType "box" with x, y, w, h and the
// rotation r), a 3x3 matrix given as a, b, d, e, g, h, or a flash.geom
// Matrix (a, b, c, d, tx, ty). The first two place the gradient's square of
// side one; the last places its square of 1638.4 pixels, as shape records do.
swf::Matrix gradient_matrix(Activation& act, const Value& m) {
  // The gradient square is 32768 twips wide, 1638.4 pixels.
  constexpr double kSquare = 1638.4;
  if (!m.is_object()) return {};
  if (text(act, act.get(m, "matrixType")) == "box") {
    double x = field(act, m, "x"), y = field(act, m, "y"), w = field(act, m, "w"),
           h = field(act, m, "h"), r = field(act, m, "r");
    double sx = w / kSquare, sy = h / kSquare, cos = std::cos(r), sin = std::sin(r);
    return {sx * cos, sx * sin, -sy * sin, sy * cos, (x + w / 2) * 20, (y + h / 2) * 20};
  }
  if (!act.get(m, "tx").is_undefined() || !act.get(m, "ty").is_undefined())
    return {field(act, m, "a"), field(act, m, "b"),       field(act, m, "c"),
            field(act, m, "d"), field(act, m, "tx") * 20, field(act, m, "ty") * 20};
  return {field(act, m, "a") / kSquare, field(act, m, "b") / kSquare, field(act, m, "d") / kSquare,
          field(act, m, "e") / kSquare, field(act, m, "g") * 20,      field(act, m, "h") * 20};
}

bool finite(const swf::Matrix& m) {
  return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
         std::isfinite(m.tx) && std::isfinite(m.ty);
}

// The gradient fill the arguments of beginGradientFill and
// lineGradientStyle describe: type, colours, alphas, ratios, matrix, spread
// method, interpolation method, focal point. None when they do not make one.
std::optional<swf::FillStyle> gradient_fill(Activation& act, std::span<const Value> args) {
  std::string type = text(act, arg(args, 0));
  const Value &colors = arg(args, 1), &alphas = arg(args, 2), &ratios = arg(args, 3);
  if (!(type == "linear" || type == "radial") || !colors.is_object() || !alphas.is_object() ||
      !ratios.is_object())
    return std::nullopt;
  auto length = [&](const Value& list) {
    double n = act.to_number(act.get(list, "length"));
    return std::isnan(n) ? 0u : static_cast<std::uint32_t>(std::clamp(n, 0.0, double(kMaxStops)));
  };
  std::uint32_t n = std::min({length(colors), length(alphas), length(ratios)});
  if (n == 0) return std::nullopt;
  swf::FillStyle fill;
  fill.kind = type == "linear" ? swf::FillStyle::Kind::Linear : swf::FillStyle::Kind::Radial;
  for (std::uint32_t i = 0; i < n; ++i) {
    String index = index_name(i);
    double ratio = act.to_number(act.get(ratios, index));
    fill.gradient.stops.push_back(
        {static_cast<std::uint8_t>(std::isnan(ratio) ? 0 : std::clamp(ratio, 0.0, 255.0)),
         color_of(act, act.get(colors, index), alpha_of(act, act.get(alphas, index)))});
  }
  fill.matrix = gradient_matrix(act, arg(args, 4));

  if (!finite(fill.matrix)) fill.matrix = {};
  std::string spread = text(act, arg(args, 5));
  fill.gradient.spread = spread == "reflect"  ? swf::SpreadMode::Reflect
                         : spread == "repeat" ? swf::SpreadMode::Repeat
                                              : swf::SpreadMode::Pad;
  fill.gradient.linear_rgb = text(act, arg(args, 6)) == "linearRGB";
  double focal = act.to_number(arg(args, 7));
  if (fill.kind == swf::FillStyle::Kind::Radial && std::isfinite(focal) && focal != 0) {
    fill.kind = swf::FillStyle::Kind::Focal;
    // Kept as the file format keeps it, in 1/256ths.
    fill.gradient.focal_point = std::trunc(std::clamp(focal, -1.0, 1.0) * 256) / 256;
  }
  return fill;
}

Value line_style(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip) return Value();
  if (arg(args, 0).is_undefined()) {
    drawing_of(*clip).set_line_style(std::nullopt);
    return Value();
  }
  swf::LineStyle line;
  double width = act.to_number(args[0]);
  line.width = static_cast<std::uint16_t>(
      std::isnan(width) ? 0 : std::clamp(width, 0.0, kMaxLineWidth) * 20);
  line.color = color_of(act, arg(args, 1), alpha_of(act, arg(args, 2)));
  std::string caps = text(act, arg(args, 5));
  line.start_cap = line.end_cap = caps == "none"     ? swf::LineCap::None
                                  : caps == "square" ? swf::LineCap::Square
                                                     : swf::LineCap::Round;
  std::string joints = text(act, arg(args, 6));
  line.join = joints == "miter"   ? swf::LineJoin::Miter
              : joints == "bevel" ? swf::LineJoin::Bevel
                                  : swf::LineJoin::Round;
  if (!arg(args, 7).is_undefined()) {
    double limit = act.to_number(args[7]);
    line.miter_limit = std::isnan(limit) ? 1 : std::clamp(limit, 1.0, 255.0);
  }
  drawing_of(*clip).set_line_style(line);
  return Value();
}

Value line_gradient_style(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip) return Value();
  if (auto fill = gradient_fill(act, args)) drawing_of(*clip).set_line_fill(std::move(*fill));
  return Value();
}

Value begin_fill(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip) return Value();
  std::optional<swf::FillStyle> fill;
  if (!arg(args, 0).is_undefined()) {
    fill.emplace();
    fill->color = color_of(act, args[0], alpha_of(act, arg(args, 1)));
  }
  drawing_of(*clip).begin_fill(std::move(fill));
  changed(self);
  return Value();
}

Value begin_gradient_fill(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip) return Value();
  drawing_of(*clip).begin_fill(gradient_fill(act, args));
  changed(self);
  return Value();
}

// A bitmap fill: the BitmapData's pixels as they are when drawn, placed by
// a flash.geom Matrix (pixels to pixels), repeated unless told not to,
// smoothed only when asked.
Value begin_bitmap_fill(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  auto* bitmap = dynamic_cast<BitmapDataObject*>(arg(args, 0).object());
  if (!clip || !bitmap || !bitmap->pixels()) return Value();
  swf::FillStyle fill;
  fill.kind = swf::FillStyle::Kind::Bitmap;
  cairo_surface_t* surface = bitmap->pixels()->surface();
  fill.pixels =
      std::shared_ptr<cairo_surface_t>(cairo_surface_reference(surface), cairo_surface_destroy);
  fill.matrix = {20, 0, 0, 20, 0, 0};
  if (const Value& m = arg(args, 1); m.is_object()) {
    swf::Matrix given{field(act, m, "a"), field(act, m, "b"),       field(act, m, "c"),
                      field(act, m, "d"), field(act, m, "tx") * 20, field(act, m, "ty") * 20};
    if (finite(given)) fill.matrix = swf::Matrix{20, 0, 0, 20, 0, 0}.then(given);
  }
  fill.repeat = arg(args, 2).is_undefined() || act.to_boolean(args[2]);
  fill.smooth = act.to_boolean(arg(args, 3));
  drawing_of(*clip).begin_fill(std::move(fill));
  changed(self);
  return Value();
}

Value end_fill(Activation&, const Value& self, std::span<const Value>) {
  if (swf::DisplayObject* clip = clip_of(self)) drawing_of(*clip).end_fill();
  changed(self);
  return Value();
}

Value move_to(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip || args.size() < 2) return Value();
  drawing_of(*clip).move_to(twips(act, args[0]), twips(act, args[1]));
  return Value();
}

Value line_to(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip || args.size() < 2) return Value();
  drawing_of(*clip).line_to(twips(act, args[0]), twips(act, args[1]));
  changed(self);
  return Value();
}

Value curve_to(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip || args.size() < 4) return Value();
  drawing_of(*clip).curve_to(twips(act, args[0]), twips(act, args[1]), twips(act, args[2]),
                             twips(act, args[3]));
  changed(self);
  return Value();
}

Value clear(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* clip = clip_of(self);
  if (!clip || !clip->drawing) return Value();
  clip->drawing->clear();
  changed(self);
  return Value();
}

// attachBitmap(bitmap, depth, pixelSnapping, smoothing): shows the bitmap,
// as it changes, at a depth of the clip.
Value attach_bitmap(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* clip = clip_of(self);
  auto* bitmap = dynamic_cast<BitmapDataObject*>(arg(args, 0).object());
  if (!clip || !bitmap || !bitmap->pixels() || args.size() < 2) return Value();
  double depth = act.to_number(args[1]);
  if (!std::isfinite(depth)) return Value();
  act.machine().player().attach_bitmap(*clip, bitmap->shared_pixels(),
                                       static_cast<std::int32_t>(depth),
                                       act.to_boolean(arg(args, 3)));
  return Value();
}

}  // namespace

void add_movie_clip_drawing(ClassBuilder& clip) {
  constexpr std::uint32_t kSince6 = attr::Hidden | attr::Version6;
  constexpr std::uint32_t kSince8 = attr::Hidden | attr::Version8;
  clip.method("lineStyle", line_style, kSince6)
      .method("lineGradientStyle", line_gradient_style, kSince8)
      .method("beginFill", begin_fill, kSince6)
      .method("beginGradientFill", begin_gradient_fill, kSince6)
      .method("beginBitmapFill", begin_bitmap_fill, kSince8)
      .method("moveTo", move_to, kSince6)
      .method("lineTo", line_to, kSince6)
      .method("curveTo", curve_to, kSince6)
      .method("endFill", end_fill, kSince6)
      .method("clear", clear, kSince6)
      .method("attachBitmap", attach_bitmap, kSince8);
}

}  // namespace strandel::avm1
