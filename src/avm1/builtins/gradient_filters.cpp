// flash.filters.GradientGlowFilter and GradientBevelFilter: the same
// settings, drawn as a glow or as a bevel.
#include <algorithm>
#include <cmath>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = GradientFilterState;

S glow_defaults() {
  S s;
  s.angle = kDefaultFilterAngle;
  return s;
}

S bevel_defaults() {
  S s = glow_defaults();
  s.bevel = true;
  return s;
}

// The length of the array-like a script gives, up to `limit`; null and
// undefined give nothing.
std::optional<int> list_length(Activation& act, const Value& list, int limit) {
  if (list.is_nullish()) return std::nullopt;
  return std::clamp(act.to_int32(act.get(list, "length")), 0, limit);
}

Value element(Activation& act, const Value& list, int i) {
  return act.get(list, index_name(static_cast<std::uint32_t>(i)));
}

template <class T, std::size_t N, class F>
Value list_of(Activation& act, int count, const std::array<T, N>& values, F&& convert) {
  ArrayObject* array = act.new_array();
  for (int i = 0; i < count; ++i) array->push(Value(convert(values[i])));
  return Value(array);
}

Value get_colors(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  return list_of(act, s->count, s->colors, [](std::uint32_t c) { return double(c); });
}

Value get_alphas(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  return list_of(act, s->count, s->alphas, [](std::uint8_t a) { return a / 255.0; });
}

Value get_ratios(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  return list_of(act, s->count, s->ratios, [](std::uint8_t r) { return double(r); });
}

// The colours decide how many stops there are.
Value set_colors(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  std::optional<int> n = list_length(act, arg(args, 0), kMaxGradientStops);
  if (!s || !n) return Value();
  for (int i = 0; i < *n; ++i)
    s->colors[i] = static_cast<std::uint32_t>(act.to_int32(element(act, args[0], i))) & 0xFFFFFF;
  s->count = *n;
  return Value();
}

// Stops past the end of the list given are opaque.
Value set_alphas(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  std::optional<int> n = list_length(act, arg(args, 0), kMaxGradientStops);
  if (!s || !n) return Value();
  for (int i = 0; i < s->count; ++i) {
    double a = i < *n ? act.to_number(element(act, args[0], i)) : 1.0;
    if (std::isnan(a)) a = 0;
    s->alphas[i] = static_cast<std::uint8_t>(std::lround(std::clamp(a, 0.0, 1.0) * 255));
  }
  return Value();
}

// A shorter list of ratios drops the stops past its end.
Value set_ratios(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  std::optional<int> n = list_length(act, arg(args, 0), kMaxGradientStops);
  if (!s || !n) return Value();
  s->count = std::min(s->count, *n);
  for (int i = 0; i < s->count; ++i)
    s->ratios[i] =
        static_cast<std::uint8_t>(std::clamp(act.to_int32(element(act, args[0], i)), 0, 255));
  return Value();
}

constexpr NativeFn kArguments[] = {set_number<S, &S::distance>,
                                   set_angle<S, &S::angle>,
                                   set_colors,
                                   set_alphas,
                                   set_ratios,
                                   set_number<S, &S::blur_x, clamp_to_255>,
                                   set_number<S, &S::blur_y, clamp_to_255>,
                                   set_number<S, &S::strength, clamp_to_255>,
                                   set_quality<S, &S::passes>,
                                   set_type<S>,
                                   set_bool<S, &S::knockout>};

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  apply_arguments(act, self, args, kArguments);
  return Value();
}

void register_gradient_filter(Activation& act, const ClassSpec& info) {
  ClassBuilder filter(act, info, bitmap_filter_prototype(act));
  filter.property("distance", get_field<S, &S::distance>, kArguments[0], 0)
      .property("angle", get_angle<S, &S::angle>, kArguments[1], 0)
      .property("colors", get_colors, set_colors, 0)
      .property("alphas", get_alphas, set_alphas, 0)
      .property("ratios", get_ratios, set_ratios, 0)
      .property("blurX", get_field<S, &S::blur_x>, kArguments[5], 0)
      .property("blurY", get_field<S, &S::blur_y>, kArguments[6], 0)
      .property("quality", get_field<S, &S::passes>, kArguments[8], 0)
      .property("strength", get_field<S, &S::strength>, kArguments[7], 0)
      .property("knockout", get_field<S, &S::knockout>, kArguments[10], 0)
      .property("type", get_type<S>, kArguments[9], 0)
      .method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace

void register_gradient_filters(Realm&, Activation& act) {
  register_gradient_filter(
      act, {"GradientGlowFilter", constructor, nullptr, allocate_filter<S, glow_defaults>});
  register_gradient_filter(
      act, {"GradientBevelFilter", constructor, nullptr, allocate_filter<S, bevel_defaults>});
}

}  // namespace strandel::avm1
