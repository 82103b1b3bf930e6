// BitmapFilter, the base of the filter classes, and what they share.
#include "avm1/builtins/filter_object.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>

#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

template <class S>
Value object_for(Activation& act, const char* class_name, S state) {
  return Value(act.heap().make<FilterOf<S>>(act.realm().prototype(class_name), std::move(state)));
}

GradientFilterState gradient_state(const std::vector<swf::GradientStop>& stops, bool bevel) {
  GradientFilterState s;
  s.count = static_cast<int>(std::min<std::size_t>(stops.size(), kMaxGradientStops));
  for (int i = 0; i < s.count; ++i) {
    const swf::GradientStop& stop = stops[i];
    s.colors[i] =
        std::uint32_t(stop.color.r) << 16 | std::uint32_t(stop.color.g) << 8 | stop.color.b;
    s.alphas[i] = stop.color.a;
    s.ratios[i] = stop.ratio;
  }
  s.bevel = bevel;
  return s;
}

template <class F>
void copy_gradient_fields(const F& from, GradientFilterState& to) {
  to.blur_x = from.blur_x;
  to.blur_y = from.blur_y;
  to.angle = from.angle;
  to.distance = from.distance;
  to.strength = from.strength;
  to.inner = from.inner;
  to.knockout = from.knockout;
  to.on_top = from.on_top;
  to.passes = from.passes;
}

template <class F>
F gradient_filter(const GradientFilterState& s) {
  F f;
  for (int i = 0; i < s.count; ++i) {
    std::uint32_t c = s.colors[i];
    f.stops.push_back({s.ratios[i], swf::Rgba{std::uint8_t(c >> 16), std::uint8_t(c >> 8),
                                              std::uint8_t(c), s.alphas[i]}});
  }
  f.blur_x = s.blur_x;
  f.blur_y = s.blur_y;
  f.angle = s.angle;
  f.distance = s.distance;
  f.strength = s.strength;
  f.inner = s.inner;
  f.knockout = s.knockout;
  f.on_top = s.on_top;
  f.passes = s.passes;
  return f;
}

Value bitmap_filter_constructor(Activation&, const Value&, std::span<const Value>) {
  return Value();
}

// Plain BitmapFilter objects have nothing to copy.
Value bitmap_filter_clone(Activation& act, const Value& self, std::span<const Value>) {
  auto* f = dynamic_cast<FilterObject*>(self.object());
  return f ? Value(f->copy(act)) : Value();
}

}  // namespace

std::optional<swf::Filter> to_filter(const swf::DropShadowFilter& s) { return s; }
std::optional<swf::Filter> to_filter(const swf::BlurFilter& s) { return s; }
std::optional<swf::Filter> to_filter(const swf::GlowFilter& s) { return s; }
std::optional<swf::Filter> to_filter(const swf::BevelFilter& s) { return s; }
std::optional<swf::Filter> to_filter(const swf::ColorMatrixFilter& s) { return s; }

std::optional<swf::Filter> to_filter(const GradientFilterState& s) {
  if (s.bevel) return gradient_filter<swf::GradientBevelFilter>(s);
  return gradient_filter<swf::GradientGlowFilter>(s);
}

// The renderer reads exactly columns × rows cells.
std::optional<swf::Filter> to_filter(const swf::ConvolutionFilter& s) {
  swf::ConvolutionFilter f = s;
  f.matrix.resize(std::size_t(f.columns) * std::size_t(f.rows), 0.f);
  return f;
}

std::optional<swf::Filter> to_filter(const DisplacementMapState& s) {
  swf::DisplacementMapFilter f;
  if (auto* map = dynamic_cast<BitmapDataObject*>(s.map)) f.map = map->shared_pixels();
  f.point_x = s.point_x;
  f.point_y = s.point_y;
  f.component_x = s.component_x;
  f.component_y = s.component_y;
  f.scale_x = s.scale_x;
  f.scale_y = s.scale_y;
  f.mode = static_cast<std::uint8_t>(s.mode);
  f.color = s.color;
  return f;
}

Value make_filter_object(Activation& act, const swf::Filter& filter) {
  return std::visit(
      [&](const auto& f) -> Value {
        using F = std::decay_t<decltype(f)>;
        if constexpr (std::is_same_v<F, swf::DropShadowFilter>)
          return object_for(act, "DropShadowFilter", f);
        else if constexpr (std::is_same_v<F, swf::BlurFilter>)
          return object_for(act, "BlurFilter", f);
        else if constexpr (std::is_same_v<F, swf::GlowFilter>)
          return object_for(act, "GlowFilter", f);
        else if constexpr (std::is_same_v<F, swf::BevelFilter>)
          return object_for(act, "BevelFilter", f);
        else if constexpr (std::is_same_v<F, swf::ConvolutionFilter>)
          return object_for(act, "ConvolutionFilter", f);
        else if constexpr (std::is_same_v<F, swf::ColorMatrixFilter>)
          return object_for(act, "ColorMatrixFilter", f);
        else if constexpr (std::is_same_v<F, swf::GradientGlowFilter>) {
          GradientFilterState s = gradient_state(f.stops, false);
          copy_gradient_fields(f, s);
          return object_for(act, "GradientGlowFilter", s);
        } else if constexpr (std::is_same_v<F, swf::DisplacementMapFilter>) {
          DisplacementMapState s;
          if (f.map) s.map = make_bitmap_data(act, f.map).object();
          s.point_x = f.point_x;
          s.point_y = f.point_y;
          s.component_x = f.component_x;
          s.component_y = f.component_y;
          s.scale_x = f.scale_x;
          s.scale_y = f.scale_y;
          s.mode = static_cast<DisplacementMode>(f.mode & 3);
          s.color = f.color;
          return object_for(act, "DisplacementMapFilter", s);
        } else {
          static_assert(std::is_same_v<F, swf::GradientBevelFilter>);
          GradientFilterState s = gradient_state(f.stops, true);
          copy_gradient_fields(f, s);
          return object_for(act, "GradientBevelFilter", s);
        }
      },
      filter);
}

void apply_arguments(Activation& act, const Value& self, std::span<const Value> args,
                     std::span<const NativeFn> setters) {
  std::size_t n = std::min(args.size(), setters.size());
  for (std::size_t i = 0; i < n; ++i) setters[i](act, self, args.subspan(i, 1));
}

double degrees_from_radians(double radians) { return radians * 180 / std::numbers::pi; }

// Whole turns are dropped: 361 degrees is 1.
double radians_from_degrees(double degrees) {
  return std::fmod(degrees, 360.0) * std::numbers::pi / 180;
}

Value color_value(const swf::Rgba& c) {
  return Value(static_cast<double>(std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b));
}

void set_color_value(Activation& act, swf::Rgba& c, const Value& v) {
  auto rgb = static_cast<std::uint32_t>(act.to_int32(v));
  c.r = std::uint8_t(rgb >> 16);
  c.g = std::uint8_t(rgb >> 8);
  c.b = std::uint8_t(rgb);
}

// Stored in 1/255 steps, rounded down.
void set_alpha_value(Activation& act, swf::Rgba& c, const Value& v) {
  double a = act.to_number(v);
  if (std::isnan(a)) a = 0;
  c.a = static_cast<std::uint8_t>(std::clamp(a, 0.0, 1.0) * 255);
}

double clamp_to_255(double v) { return std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0); }

int quality_from(Activation& act, const Value& v) { return std::clamp(act.to_int32(v), 0, 15); }

Object* bitmap_filter_prototype(Activation& act) { return act.realm().prototype("BitmapFilter"); }

void register_bitmap_filter(Realm&, Activation& act) {
  ClassBuilder filter(act, {"BitmapFilter", bitmap_filter_constructor});
  filter.method("clone", bitmap_filter_clone, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
