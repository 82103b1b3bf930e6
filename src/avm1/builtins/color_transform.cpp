#include "avm1/builtins/color_transform.h"

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using Term = double swf::ColorTransform::*;

Object* allocate(Activation& act, Object* proto) {
  return act.heap().make<ColorTransformObject>(proto);
}

// The terms in the order the constructor takes them.
constexpr Term kTerms[] = {&swf::ColorTransform::rm, &swf::ColorTransform::gm,
                           &swf::ColorTransform::bm, &swf::ColorTransform::am,
                           &swf::ColorTransform::ra, &swf::ColorTransform::ga,
                           &swf::ColorTransform::ba, &swf::ColorTransform::aa};
constexpr const char* kNames[] = {"redMultiplier",   "greenMultiplier", "blueMultiplier",
                                  "alphaMultiplier", "redOffset",       "greenOffset",
                                  "blueOffset",      "alphaOffset"};

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  auto* ct = this_as<ColorTransformObject>(self);
  if (!ct || args.empty()) return Value();
  for (std::size_t i = 0; i < 8; ++i) ct->value.*kTerms[i] = act.to_number(arg(args, i));
  return Value();
}

template <int I>
Value get_term(Activation&, const Value& self, std::span<const Value>) {
  auto* ct = this_as<ColorTransformObject>(self);
  return ct ? Value(ct->value.*kTerms[I]) : Value();
}

template <int I>
Value set_term(Activation& act, const Value& self, std::span<const Value> args) {
  if (auto* ct = this_as<ColorTransformObject>(self))
    ct->value.*kTerms[I] = act.to_number(arg(args, 0));
  return Value();
}

// The colour the offsets add, as 0xRRGGBB.
Value get_rgb(Activation&, const Value& self, std::span<const Value>) {
  auto* ct = this_as<ColorTransformObject>(self);
  if (!ct) return Value();
  std::int32_t r = double_to_int32(ct->value.ra), g = double_to_int32(ct->value.ga),
               b = double_to_int32(ct->value.ba);
  return Value(static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(r) << 16 |
                                                             static_cast<std::uint32_t>(g) << 8 |
                                                             static_cast<std::uint32_t>(b))));
}

// Setting the colour makes it solid: the colour multipliers become 0.
Value set_rgb(Activation& act, const Value& self, std::span<const Value> args) {
  auto* ct = this_as<ColorTransformObject>(self);
  if (!ct) return Value();
  auto rgb = static_cast<std::uint32_t>(act.to_int32(arg(args, 0)));
  ct->value.rm = ct->value.gm = ct->value.bm = 0;
  ct->value.ra = (rgb >> 16) & 0xFF;
  ct->value.ga = (rgb >> 8) & 0xFF;
  ct->value.ba = rgb & 0xFF;
  return Value();
}

// This transform applied after the other one.
Value concat(Activation&, const Value& self, std::span<const Value> args) {
  auto* ct = this_as<ColorTransformObject>(self);
  auto* other = this_as<ColorTransformObject>(arg(args, 0));
  if (ct && other) ct->value = other->value.then(ct->value);
  return Value();
}

Value to_string(Activation&, const Value& self, std::span<const Value>) {
  auto* ct = this_as<ColorTransformObject>(self);
  if (!ct) return Value();
  String text("(");
  for (int i = 0; i < 8; ++i) {
    if (i) text = text + ", ";
    text = text + kNames[i] + "=" + number_to_string(ct->value.*kTerms[i]);
  }
  return Value(text + ")");
}

}  // namespace

Value make_color_transform(Activation& act, const swf::ColorTransform& value) {
  auto* ct = act.heap().make<ColorTransformObject>(act.realm().prototype("ColorTransform"));
  ct->value = value;
  return Value(ct);
}

void register_color_transform(Realm&, Activation& act) {
  ClassBuilder ct(act, {"ColorTransform", constructor, nullptr, allocate});
  // Made in this order, which for..in shows reversed.
  ct.property("alphaMultiplier", get_term<3>, set_term<3>, 0)
      .property("redMultiplier", get_term<0>, set_term<0>, 0)
      .property("greenMultiplier", get_term<1>, set_term<1>, 0)
      .property("blueMultiplier", get_term<2>, set_term<2>, 0)
      .property("alphaOffset", get_term<7>, set_term<7>, 0)
      .property("redOffset", get_term<4>, set_term<4>, 0)
      .property("greenOffset", get_term<5>, set_term<5>, 0)
      .property("blueOffset", get_term<6>, set_term<6>, 0)
      .property("rgb", get_rgb, set_rgb, 0)
      .method("concat", concat, 0)
      .method("toString", to_string, 0);
  ct.install(flash_package(act, "geom"), 0);
}

}  // namespace strandel::avm1
