// flash.geom.Rectangle: x, y, width and height as plain properties; the
// edges, corners and size are computed from them.
#include <cmath>
#include <functional>
#include <initializer_list>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// The numbers a rectangle's methods work with.
struct Box {
  double x, y, width, height;
  double right() const { return x + width; }
  double bottom() const { return y + height; }
};

Box box_of(Activation& act, const Value& r) {
  return {number_field(act, r, "x"), number_field(act, r, "y"), number_field(act, r, "width"),
          number_field(act, r, "height")};
}

void store(Activation& act, const Value& self, const Box& b) {
  act.set(self, "x", Value(b.x));
  act.set(self, "y", Value(b.y));
  act.set(self, "width", Value(b.width));
  act.set(self, "height", Value(b.height));
}

// `a && b && ...` as a script evaluates it: the first false-like value, or
// the last one.
Value all_of(Activation& act, std::initializer_list<std::function<Value()>> terms) {
  Value result(true);
  for (const auto& term : terms) {
    result = term();
    if (!act.to_boolean(result)) return result;
  }
  return result;
}

// Whether (px, py) lies in the rectangle: left and top edges in, right and
// bottom out; undefined when a coordinate is not a number.
Value box_contains(Activation& act, const Box& b, double px, double py) {
  return all_of(act,
                {[&] { return greater_or_equal(px, b.x); }, [&] { return less(px, b.right()); },
                 [&] { return greater_or_equal(py, b.y); }, [&] { return less(py, b.bottom()); }});
}

Value rectangle_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  // Without arguments the rectangle is empty at the origin; with some, the
  // missing fields stay undefined.
  if (args.empty()) {
    store(act, self, {0, 0, 0, 0});
  } else {
    act.set(self, "x", args[0]);
    act.set(self, "y", arg(args, 1));
    act.set(self, "width", arg(args, 2));
    act.set(self, "height", arg(args, 3));
  }
  return Value();
}

Value get_left(Activation& act, const Value& self, std::span<const Value>) {
  return act.get(self, "x");
}

Value get_top(Activation& act, const Value& self, std::span<const Value>) {
  return act.get(self, "y");
}

Value get_right(Activation& act, const Value& self, std::span<const Value>) {
  return Value(box_of(act, self).right());
}

Value get_bottom(Activation& act, const Value& self, std::span<const Value>) {
  return Value(box_of(act, self).bottom());
}

// Moving the left or top edge keeps the opposite edge where it was.
Value set_left(Activation& act, const Value& self, std::span<const Value> args) {
  double right = box_of(act, self).right();
  act.set(self, "width", Value(right - act.to_number(arg(args, 0))));
  act.set(self, "x", arg(args, 0));
  return Value();
}

Value set_top(Activation& act, const Value& self, std::span<const Value> args) {
  double bottom = box_of(act, self).bottom();
  act.set(self, "height", Value(bottom - act.to_number(arg(args, 0))));
  act.set(self, "y", arg(args, 0));
  return Value();
}

Value set_right(Activation& act, const Value& self, std::span<const Value> args) {
  act.set(self, "width", Value(act.to_number(arg(args, 0)) - number_field(act, self, "x")));
  return Value();
}

Value set_bottom(Activation& act, const Value& self, std::span<const Value> args) {
  act.set(self, "height", Value(act.to_number(arg(args, 0)) - number_field(act, self, "y")));
  return Value();
}

Value get_top_left(Activation& act, const Value& self, std::span<const Value>) {
  return make_point(act, act.get(self, "x"), act.get(self, "y"));
}

Value set_top_left(Activation& act, const Value& self, std::span<const Value> args) {
  Box b = box_of(act, self);
  Value x = act.get(arg(args, 0), "x"), y = act.get(arg(args, 0), "y");
  act.set(self, "width", Value(b.right() - act.to_number(x)));
  act.set(self, "height", Value(b.bottom() - act.to_number(y)));
  act.set(self, "x", x);
  act.set(self, "y", y);
  return Value();
}

Value get_bottom_right(Activation& act, const Value& self, std::span<const Value>) {
  Box b = box_of(act, self);
  return make_point(act, b.right(), b.bottom());
}

Value set_bottom_right(Activation& act, const Value& self, std::span<const Value> args) {
  Box b = box_of(act, self);
  act.set(self, "width", Value(number_field(act, arg(args, 0), "x") - b.x));
  act.set(self, "height", Value(number_field(act, arg(args, 0), "y") - b.y));
  return Value();
}

Value get_size(Activation& act, const Value& self, std::span<const Value>) {
  return make_point(act, act.get(self, "width"), act.get(self, "height"));
}

Value set_size(Activation& act, const Value& self, std::span<const Value> args) {
  act.set(self, "width", act.get(arg(args, 0), "x"));
  act.set(self, "height", act.get(arg(args, 0), "y"));
  return Value();
}

Value clone(Activation& act, const Value& self, std::span<const Value>) {
  return make_rectangle(act, act.get(self, "x"), act.get(self, "y"), act.get(self, "width"),
                        act.get(self, "height"));
}

Value contains(Activation& act, const Value& self, std::span<const Value> args) {
  return box_contains(act, box_of(act, self), act.to_number(arg(args, 0)),
                      act.to_number(arg(args, 1)));
}

Value contains_point(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& p = arg(args, 0);
  return box_contains(act, box_of(act, self), number_field(act, p, "x"), number_field(act, p, "y"));
}

Value contains_rectangle(Activation& act, const Value& self, std::span<const Value> args) {
  Box b = box_of(act, self), r = box_of(act, arg(args, 0));
  return all_of(
      act,
      {[&] { return greater_or_equal(r.x, b.x); }, [&] { return less(r.x, b.right()); },
       [&] { return greater_or_equal(r.y, b.y); }, [&] { return less(r.y, b.bottom()); },
       [&] { return greater(r.right(), b.x); }, [&] { return less_or_equal(r.right(), b.right()); },
       [&] { return greater(r.bottom(), b.y); },
       [&] { return less_or_equal(r.bottom(), b.bottom()); }});
}

Value equals(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& other = arg(args, 0);
  if (!inherits_from(other, act.realm().prototype("Rectangle"))) return Value(false);
  for (const char* field : {"x", "y", "width", "height"})
    if (!loosely_equal(act, act.get(self, field), act.get(other, field))) return Value(false);
  return Value(true);
}

void inflate_by(Activation& act, const Value& self, double dx, double dy) {
  Box b = box_of(act, self);
  store(act, self, {b.x - dx, b.y - dy, b.width + 2 * dx, b.height + 2 * dy});
}

Value inflate(Activation& act, const Value& self, std::span<const Value> args) {
  inflate_by(act, self, act.to_number(arg(args, 0)), act.to_number(arg(args, 1)));
  return Value();
}

Value inflate_point(Activation& act, const Value& self, std::span<const Value> args) {
  inflate_by(act, self, number_field(act, arg(args, 0), "x"), number_field(act, arg(args, 0), "y"));
  return Value();
}

void offset_by(Activation& act, const Value& self, double dx, double dy) {
  act.set(self, "x", Value(number_field(act, self, "x") + dx));
  act.set(self, "y", Value(number_field(act, self, "y") + dy));
}

Value offset(Activation& act, const Value& self, std::span<const Value> args) {
  offset_by(act, self, act.to_number(arg(args, 0)), act.to_number(arg(args, 1)));
  return Value();
}

Value offset_point(Activation& act, const Value& self, std::span<const Value> args) {
  offset_by(act, self, number_field(act, arg(args, 0), "x"), number_field(act, arg(args, 0), "y"));
  return Value();
}

Value is_empty(Activation& act, const Value& self, std::span<const Value>) {
  Box b = box_of(act, self);
  return Value(!(b.width > 0 && b.height > 0));
}

Value set_empty(Activation& act, const Value& self, std::span<const Value>) {
  store(act, self, {0, 0, 0, 0});
  return Value();
}

// Smallest and largest with NaN winning, as Math.min and Math.max give them.
double min_of(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::min(a, b); }
double max_of(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::max(a, b); }

// The overlap, or an empty rectangle at the origin when there is none.
Box overlap(const Box& a, const Box& b) {
  double left = max_of(a.x, b.x), top = max_of(a.y, b.y);
  double right = min_of(a.right(), b.right()), bottom = min_of(a.bottom(), b.bottom());
  if (!(right > left && bottom > top)) return {0, 0, 0, 0};
  return {left, top, right - left, bottom - top};
}

Value intersection(Activation& act, const Value& self, std::span<const Value> args) {
  Box o = overlap(box_of(act, self), box_of(act, arg(args, 0)));
  return make_rectangle(act, o.x, o.y, o.width, o.height);
}

Value intersects(Activation& act, const Value& self, std::span<const Value> args) {
  Box o = overlap(box_of(act, self), box_of(act, arg(args, 0)));
  return Value(o.width > 0 && o.height > 0);
}

Value union_with(Activation& act, const Value& self, std::span<const Value> args) {
  Box a = box_of(act, self), b = box_of(act, arg(args, 0));
  double left = min_of(a.x, b.x), top = min_of(a.y, b.y);
  double right = max_of(a.right(), b.right()), bottom = max_of(a.bottom(), b.bottom());
  return make_rectangle(act, left, top, right - left, bottom - top);
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  return Value(String("(x=") + act.to_string(act.get(self, "x")) + ", y=" +
               act.to_string(act.get(self, "y")) + ", w=" + act.to_string(act.get(self, "width")) +
               ", h=" + act.to_string(act.get(self, "height")) + ")");
}

}  // namespace

Value make_rectangle(Activation& act, const Value& x, const Value& y, const Value& width,
                     const Value& height) {
  Object* rect = act.heap().make<Object>(act.realm().prototype("Rectangle"));
  rect->set(act, "x", x);
  rect->set(act, "y", y);
  rect->set(act, "width", width);
  rect->set(act, "height", height);
  return Value(rect);
}

void register_rectangle(Realm&, Activation& act) {
  ClassBuilder rect(act, {"Rectangle", rectangle_constructor});
  rect.property("left", get_left, set_left, 0)
      .property("top", get_top, set_top, 0)
      .property("right", get_right, set_right, 0)
      .property("bottom", get_bottom, set_bottom, 0)
      .property("topLeft", get_top_left, set_top_left, 0)
      .property("bottomRight", get_bottom_right, set_bottom_right, 0)
      .property("size", get_size, set_size, 0)
      .method("clone", clone, 0)
      .method("contains", contains, 0)
      .method("containsPoint", contains_point, 0)
      .method("containsRectangle", contains_rectangle, 0)
      .method("equals", equals, 0)
      .method("inflate", inflate, 0)
      .method("inflatePoint", inflate_point, 0)
      .method("intersection", intersection, 0)
      .method("intersects", intersects, 0)
      .method("isEmpty", is_empty, 0)
      .method("offset", offset, 0)
      .method("offsetPoint", offset_point, 0)
      .method("setEmpty", set_empty, 0)
      .method("toString", to_string, 0)
      .method("union", union_with, 0);
  rect.install(flash_package(act, "geom"), 0);
}

}  // namespace strandel::avm1
