// flash.filters.DisplacementMapFilter: moves pixels by the colours of a map
// bitmap. Movies cannot store it; only scripts make it.
#include <algorithm>
#include <cmath>
#include <optional>

#include "avm1/builtins/bitmap_data.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/errors.h"
#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = DisplacementMapState;

constexpr double kMaxScale = 65535;
constexpr const char* kModeNames[] = {"wrap", "clamp", "ignore", "color"};

S defaults() { return S{}; }

// A number made an integer as the player's machine code does it: NaN and
// numbers out of range give the lowest integer.
std::int32_t truncate_to_int32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

Value get_map_bitmap(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  return s ? Value(s->map) : Value();
}

// Only a BitmapData is taken; anything else leaves the map as it was.
Value set_map_bitmap(Activation&, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  if (s && is_bitmap_data(arg(args, 0))) s->map = arg(args, 0).object();
  return Value();
}

Value get_map_point(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  return s ? make_point(act, s->point_x, s->point_y) : Value();
}

// Both coordinates are converted even when one throws; the point takes
// what came out (the lowest integer for a failed one) before the first
// exception goes on. A value without both coordinates is the origin.
Value set_map_point(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  const Value& point = arg(args, 0);
  Value x = act.get(point, "x"), y = act.get(point, "y");
  std::optional<ScriptException> failure;
  auto convert = [&](const Value& v) {
    try {
      return truncate_to_int32(act.to_number(v));
    } catch (ScriptException& e) {
      if (!failure) failure = e;
      return INT32_MIN;
    }
  };
  std::int32_t px = convert(x), py = convert(y);
  bool both = !x.is_undefined() && !y.is_undefined();
  s->point_x = both ? px : 0;
  s->point_y = both ? py : 0;
  if (failure) throw *failure;
  return Value();
}

template <std::int32_t S::*Member>
Value set_component(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) s->*Member = act.to_int32(arg(args, 0));
  return Value();
}

double clamp_scale(double v) { return std::isnan(v) ? 0 : std::clamp(v, -kMaxScale, kMaxScale); }

Value get_mode(Activation&, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  return s ? Value(kModeNames[static_cast<int>(s->mode)]) : Value();
}

// Names match exactly; anything else wraps.
Value set_mode(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  String name = act.to_string(arg(args, 0));
  s->mode = DisplacementMode::Wrap;
  for (int i = 0; i < 4; ++i)
    if (name.view() == kModeNames[i]) s->mode = static_cast<DisplacementMode>(i);
  return Value();
}

constexpr NativeFn kArguments[] = {set_map_bitmap,
                                   set_map_point,
                                   set_component<&S::component_x>,
                                   set_component<&S::component_y>,
                                   set_number<S, &S::scale_x, clamp_scale>,
                                   set_number<S, &S::scale_y, clamp_scale>,
                                   set_mode,
                                   set_color<S, &S::color>,
                                   set_alpha<S, &S::color>};

// A colour given to the constructor without an alpha is opaque.
Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  apply_arguments(act, self, args, kArguments);
  if (args.size() == 8)
    if (S* s = filter_state<S>(self)) s->color.a = 255;
  return Value();
}

}  // namespace

void register_displacement_map_filter(Realm&, Activation& act) {
  ClassBuilder filter(act,
                      {"DisplacementMapFilter", constructor, nullptr, allocate_filter<S, defaults>},
                      bitmap_filter_prototype(act));
  filter.property("mapBitmap", get_map_bitmap, set_map_bitmap, 0)
      .property("mapPoint", get_map_point, set_map_point, 0)
      .property("componentX", get_field<S, &S::component_x>, kArguments[2], 0)
      .property("componentY", get_field<S, &S::component_y>, kArguments[3], 0)
      .property("scaleX", get_field<S, &S::scale_x>, kArguments[4], 0)
      .property("scaleY", get_field<S, &S::scale_y>, kArguments[5], 0)
      .property("mode", get_mode, set_mode, 0)
      .property("color", get_field<S, &S::color>, kArguments[7], 0)
      .property("alpha", get_alpha<S, &S::color>, kArguments[8], 0)
      .method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
