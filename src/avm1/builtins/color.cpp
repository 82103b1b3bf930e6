// Color: tints a clip through its colour transform. The object keeps only
// its `target` (a clip or a path); each method finds the clip again, so a
// Color whose target has gone does nothing and reads undefined.
//
// The player keeps a clip's transform as the file format does: multipliers
// as 8.8 fixed point and offsets as 16-bit integers, so values set here wrap
// and round the same way (12800% reads back as -12800%).
#include <cmath>
#include <cstdint>

#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/conversions.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/display_list.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// The clip the Color's target names, or null.
ClipObject* target_clip(Activation& act, const Value& self) {
  Value target = act.get(self, "target");
  if (target.is_nullish()) return nullptr;
  if (target.object()) return as_clip(target);
  String path = act.to_string(target);
  if (path.empty()) return nullptr;
  return as_clip(Value(resolve_target(act, path)));
}

swf::DisplayObject* target_of(Activation& act, const Value& self) {
  ClipObject* clip = target_clip(act, self);
  return clip ? clip->object() : nullptr;
}

// The transform is the script's from now on: the timeline leaves it alone.
void changed(Activation& act, const Value& self) {
  ClipObject* clip = target_clip(act, self);
  swf::DisplayObject* o = clip ? clip->object() : nullptr;
  if (!o) return;
  o->transformed_by_script = true;
  clip->player().mark_dirty();
}

// A number as the 16-bit integer the player stores: NaN and infinities are 0.
std::int16_t to_int16(double v) {
  if (!std::isfinite(v)) return 0;
  double t = std::fmod(std::trunc(v), 65536.0);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int32_t>(t)));
}

// A percentage as an 8.8 fixed-point multiplier (1.0 for 100).
double multiplier(double percent) { return to_int16(percent * 256 / 100) / 256.0; }

Value constructor(Activation&, const Value& self, std::span<const Value> args) {
  if (Object* o = self.object()) o->define("target", arg(args, 0), attr::Hidden);
  return Value();
}

// The offsets' colour as 0xRRGGBB; negative offsets set the high bits, as
// the player's OR of the shifted terms does.
Value get_rgb(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = target_of(act, self);
  if (!o) return Value();
  auto r = static_cast<std::int32_t>(o->cxform.ra), g = static_cast<std::int32_t>(o->cxform.ga),
       b = static_cast<std::int32_t>(o->cxform.ba);
  auto bits = static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
              static_cast<std::uint32_t>(b);
  return Value(static_cast<double>(static_cast<std::int32_t>(bits)));
}

// A solid colour: the colour multipliers become 0, alpha is left alone.
Value set_rgb(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = target_of(act, self);
  if (!o) return Value();
  auto rgb = static_cast<std::uint32_t>(act.to_int32(arg(args, 0)));
  o->cxform.rm = o->cxform.gm = o->cxform.bm = 0;
  o->cxform.ra = (rgb >> 16) & 0xFF;
  o->cxform.ga = (rgb >> 8) & 0xFF;
  o->cxform.ba = rgb & 0xFF;
  changed(act, self);
  return Value();
}

struct Term {
  const char* name;
  double swf::ColorTransform::*field;
  bool is_multiplier;
};

// In the order getTransform creates them.
constexpr Term kTerms[] = {
    {"ra", &swf::ColorTransform::rm, true},  {"ga", &swf::ColorTransform::gm, true},
    {"ba", &swf::ColorTransform::bm, true},  {"aa", &swf::ColorTransform::am, true},
    {"rb", &swf::ColorTransform::ra, false}, {"gb", &swf::ColorTransform::ga, false},
    {"bb", &swf::ColorTransform::ba, false}, {"ab", &swf::ColorTransform::aa, false},
};

Value get_transform(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = target_of(act, self);
  if (!o) return Value();
  Object* result = act.new_object();
  for (const Term& t : kTerms) {
    double v = o->cxform.*t.field;
    result->define(t.name, Value(t.is_multiplier ? v * 100 : v));
  }
  return Value(result);
}

// Sets the terms the object has as its own properties; others keep their value.
Value set_transform(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = target_of(act, self);
  Object* from = arg(args, 0).object();
  if (!o || !from) return Value();
  for (const Term& t : kTerms) {
    if (!from->has_own_property(act, t.name)) continue;
    double v = act.to_number(from->get(act, t.name));
    o->cxform.*t.field = t.is_multiplier ? multiplier(v) : to_int16(v);
  }
  changed(act, self);
  return Value();
}

}  // namespace

void register_color(Realm& realm, Activation& act) {
  ClassBuilder color(act, {"Color", constructor});
  color.method("setRGB", set_rgb)
      .method("getRGB", get_rgb)
      .method("setTransform", set_transform)
      .method("getTransform", get_transform);
  color.install(realm.global);
}

}  // namespace strandel::avm1
