// flash.filters: each filter object keeps its settings in a C++ value (the
// file format's filter record where there is one), and its properties are
// accessors on the class prototype that clamp what scripts store as the
// vendor's player does. A clip's `filters` and BitmapData.applyFilter turn
// them into the renderer's filters.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <type_traits>

#include "avm1/heap.h"
#include "avm1/native.h"
#include "avm1/object.h"
#include "swf/filters.h"

namespace strandel::avm1 {

class Activation;

// 45 degrees, as the player keeps it in radians.
inline constexpr double kDefaultFilterAngle = 0.785398163;

class FilterObject : public Object {
 public:
  using Object::Object;
  // What the renderer draws for this filter; none for what it cannot draw.
  virtual std::optional<swf::Filter> filter() const = 0;
  // clone(): a new object of the same class with the same settings.
  virtual FilterObject* copy(Activation& act) const = 0;
};

// Gradient glows and bevels keep room for 16 stops; setting fewer colours
// leaves the alphas and ratios of the later stops for a later, longer list.
inline constexpr int kMaxGradientStops = 16;

struct GradientFilterState {
  std::array<std::uint32_t, kMaxGradientStops> colors{};
  std::array<std::uint8_t, kMaxGradientStops> alphas{};
  std::array<std::uint8_t, kMaxGradientStops> ratios{};
  int count = 0;
  double blur_x = 4, blur_y = 4;
  double angle = 0, distance = 4, strength = 1;
  bool inner = true, knockout = false, on_top = false;
  int passes = 1;
  bool bevel = false;  // a gradient bevel rather than a gradient glow
};

enum class DisplacementMode : std::uint8_t { Wrap, Clamp, Ignore, Color };

struct DisplacementMapState {
  Object* map = nullptr;  // a BitmapData
  std::int32_t point_x = 0, point_y = 0;
  std::int32_t component_x = 0, component_y = 0;
  double scale_x = 0, scale_y = 0;
  DisplacementMode mode = DisplacementMode::Wrap;
  swf::Rgba color{0, 0, 0, 0};
  void trace(Tracer& tracer) { tracer.mark(map); }
};

std::optional<swf::Filter> to_filter(const swf::DropShadowFilter& s);
std::optional<swf::Filter> to_filter(const swf::BlurFilter& s);
std::optional<swf::Filter> to_filter(const swf::GlowFilter& s);
std::optional<swf::Filter> to_filter(const swf::BevelFilter& s);
std::optional<swf::Filter> to_filter(const GradientFilterState& s);
std::optional<swf::Filter> to_filter(const swf::ConvolutionFilter& s);
std::optional<swf::Filter> to_filter(const swf::ColorMatrixFilter& s);
std::optional<swf::Filter> to_filter(const DisplacementMapState& s);

template <class S>
class FilterOf : public FilterObject {
 public:
  explicit FilterOf(Object* proto, S state = S{}) : FilterObject(proto), state(std::move(state)) {}
  std::optional<swf::Filter> filter() const override { return to_filter(state); }
  FilterObject* copy(Activation& act) const override;
  void trace(Tracer& tracer) override {
    Object::trace(tracer);
    if constexpr (requires { state.trace(tracer); }) state.trace(tracer);
  }

  S state;
};

// The settings of a filter object of class S; null for any other object.
template <class S>
S* filter_state(const Value& self) {
  auto* f = dynamic_cast<FilterOf<S>*>(self.object());
  return f ? &f->state : nullptr;
}

// A script object for a filter the movie stored or a clip holds.
Value make_filter_object(Activation& act, const swf::Filter& filter);

// What `new` makes for a filter class, starting from the class's defaults.
template <class S, S (*Defaults)()>
Object* allocate_filter(Activation& act, Object* proto);

// The constructor of a filter class: each argument given goes through the
// setter of the property at its position.
void apply_arguments(Activation& act, const Value& self, std::span<const Value> args,
                     std::span<const NativeFn> setters);

// Installs BitmapFilter and returns its prototype, which every filter
// class's prototype inherits from.
Object* bitmap_filter_prototype(Activation& act);

// --- Accessors shared by the filter classes ---
// Angles are degrees to scripts and radians inside; colours 0xRRGGBB with
// the alpha apart, as 0..1 in steps of 1/255.
double degrees_from_radians(double radians);
double radians_from_degrees(double degrees);
Value color_value(const swf::Rgba& c);
void set_color_value(Activation& act, swf::Rgba& c, const Value& v);
void set_alpha_value(Activation& act, swf::Rgba& c, const Value& v);
// Blur sizes and strengths: 0 to 255.
double clamp_to_255(double v);
// Quality (passes): 0 to 15.
int quality_from(Activation& act, const Value& v);

template <class S, auto Member>
Value get_field(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  using T = std::remove_cvref_t<decltype(s->*Member)>;
  if constexpr (std::is_same_v<T, swf::Rgba>)
    return color_value(s->*Member);
  else if constexpr (std::is_same_v<T, bool>)
    return Value(static_cast<bool>(s->*Member));
  else
    return Value(static_cast<double>(s->*Member));
}

template <class S, auto Member>
Value get_alpha(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  return s ? Value((s->*Member).a / 255.0) : Value();
}

template <class S, auto Member>
Value set_color(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) set_color_value(act, s->*Member, arg(args, 0));
  return Value();
}

template <class S, auto Member>
Value set_alpha(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) set_alpha_value(act, s->*Member, arg(args, 0));
  return Value();
}

template <class S, auto Member>
Value set_bool(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) s->*Member = act.to_boolean(arg(args, 0));
  return Value();
}

// A number stored as given, or through a limit.
template <class S, auto Member, double (*Limit)(double) = nullptr>
Value set_number(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) {
    double v = act.to_number(arg(args, 0));
    if constexpr (Limit != nullptr) v = Limit(v);
    s->*Member = v;
  }
  return Value();
}

template <class S, auto Member>
Value set_quality(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) s->*Member = quality_from(act, arg(args, 0));
  return Value();
}

template <class S, auto Member>
Value get_angle(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  return s ? Value(degrees_from_radians(s->*Member)) : Value();
}

template <class S, auto Member>
Value set_angle(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) s->*Member = radians_from_degrees(act.to_number(arg(args, 0)));
  return Value();
}

// "inner", "outer" or "full" (on top) for bevels and gradient filters;
// anything else is "full".
template <class S>
Value get_type(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  if (s->on_top) return Value("full");
  return Value(s->inner ? "inner" : "outer");
}

template <class S>
Value set_type(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  String type = act.to_string(arg(args, 0));
  s->inner = type.view() == "inner";
  s->on_top = !s->inner && type.view() != "outer";
  return Value();
}

template <class S>
Value clone_filter(Activation& act, const Value& self, std::span<const Value>) {
  auto* f = dynamic_cast<FilterOf<S>*>(self.object());
  return f ? Value(f->copy(act)) : Value();
}

template <class S>
FilterObject* FilterOf<S>::copy(Activation& act) const {
  return act.heap().make<FilterOf<S>>(proto(), state);
}

template <class S, S (*Defaults)()>
Object* allocate_filter(Activation& act, Object* proto) {
  return act.heap().make<FilterOf<S>>(proto, Defaults());
}

}  // namespace strandel::avm1
