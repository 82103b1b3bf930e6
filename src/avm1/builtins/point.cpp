// flash.geom.Point: x and y as plain properties.
#include <cmath>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value point_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  // Without arguments the point is the origin; with some, the missing
  // coordinates stay undefined.
  if (args.empty()) {
    act.set(self, "x", Value(0));
    act.set(self, "y", Value(0));
  } else {
    act.set(self, "x", args[0]);
    act.set(self, "y", arg(args, 1));
  }
  return Value();
}

double x_of(Activation& act, const Value& p) { return number_field(act, p, "x"); }
double y_of(Activation& act, const Value& p) { return number_field(act, p, "y"); }

Value length(Activation& act, const Value& self, std::span<const Value>) {
  return Value(std::hypot(x_of(act, self), y_of(act, self)));
}

Value add(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& other = arg(args, 0);
  return make_point(act, x_of(act, self) + x_of(act, other), y_of(act, self) + y_of(act, other));
}

Value subtract(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& other = arg(args, 0);
  return make_point(act, x_of(act, self) - x_of(act, other), y_of(act, self) - y_of(act, other));
}

Value clone(Activation& act, const Value& self, std::span<const Value>) {
  return make_point(act, act.get(self, "x"), act.get(self, "y"));
}

Value equals(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& other = arg(args, 0);
  if (!inherits_from(other, act.realm().prototype("Point"))) return Value(false);
  return Value(loosely_equal(act, act.get(self, "x"), act.get(other, "x")) &&
               loosely_equal(act, act.get(self, "y"), act.get(other, "y")));
}

Value normalize(Activation& act, const Value& self, std::span<const Value> args) {
  double x = x_of(act, self), y = y_of(act, self);
  double current = std::hypot(x, y);
  if (current > 0) {
    double scale = act.to_number(arg(args, 0)) / current;
    act.set(self, "x", Value(x * scale));
    act.set(self, "y", Value(y * scale));
  }
  return Value();
}

Value offset(Activation& act, const Value& self, std::span<const Value> args) {
  act.set(self, "x", Value(x_of(act, self) + act.to_number(arg(args, 0))));
  act.set(self, "y", Value(y_of(act, self) + act.to_number(arg(args, 1))));
  return Value();
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  return Value(String("(x=") + act.to_string(act.get(self, "x")) +
               ", y=" + act.to_string(act.get(self, "y")) + ")");
}

Value distance(Activation& act, const Value&, std::span<const Value> args) {
  const Value& a = arg(args, 0);
  const Value& b = arg(args, 1);
  if (!a.is_object()) return Value();
  return Value(std::hypot(x_of(act, a) - x_of(act, b), y_of(act, a) - y_of(act, b)));
}

// The point `f` of the way from the second point to the first.
Value interpolate(Activation& act, const Value&, std::span<const Value> args) {
  const Value& a = arg(args, 0);
  const Value& b = arg(args, 1);
  double f = act.to_number(arg(args, 2));
  double bx = x_of(act, b), by = y_of(act, b);
  return make_point(act, bx + f * (x_of(act, a) - bx), by + f * (y_of(act, a) - by));
}

Value polar(Activation& act, const Value&, std::span<const Value> args) {
  double length = act.to_number(arg(args, 0)), angle = act.to_number(arg(args, 1));
  return make_point(act, length * std::cos(angle), length * std::sin(angle));
}

}  // namespace

double number_field(Activation& act, const Value& object, const char* name) {
  return act.to_number(act.get(object, name));
}

Value make_point(Activation& act, const Value& x, const Value& y) {
  Object* point = act.heap().make<Object>(act.realm().prototype("Point"));
  point->set(act, "x", x);
  point->set(act, "y", y);
  return Value(point);
}

void register_point(Realm&, Activation& act) {
  ClassBuilder point(act, {"Point", point_constructor});
  point.property("length", length, nullptr, 0)
      .method("add", add, 0)
      .method("subtract", subtract, 0)
      .method("equals", equals, 0)
      .method("normalize", normalize, 0)
      .method("offset", offset, 0)
      .method("clone", clone, 0)
      .method("toString", to_string, 0)
      .static_method("distance", distance, 0)
      .static_method("interpolate", interpolate, 0)
      .static_method("polar", polar, 0);
  point.install(flash_package(act, "geom"), 0);
}

}  // namespace strandel::avm1
