// flash.geom.Matrix: a, b, c, d, tx and ty as plain properties; the methods
// read them as numbers and store numbers back.
#include <cmath>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/geometry.h"

namespace strandel::avm1 {

namespace {

constexpr const char* kFields[] = {"a", "b", "c", "d", "tx", "ty"};
// A gradient box maps the gradient square, 1638.4 units wide (32768 twips),
// onto the box.
constexpr double kGradientSquare = 1638.4;

swf::Matrix matrix_of(Activation& act, const Value& m) {
  return {number_field(act, m, "a"), number_field(act, m, "b"),  number_field(act, m, "c"),
          number_field(act, m, "d"), number_field(act, m, "tx"), number_field(act, m, "ty")};
}

void store(Activation& act, const Value& self, const swf::Matrix& m) {
  const double values[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
  for (int i = 0; i < 6; ++i) act.set(self, kFields[i], Value(values[i]));
}

Value matrix_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  // Without arguments the identity; with some, the missing fields stay
  // undefined.
  if (args.empty()) {
    store(act, self, swf::Matrix{});
  } else {
    for (std::size_t i = 0; i < 6; ++i) act.set(self, kFields[i], arg(args, i));
  }
  return Value();
}

Value clone(Activation& act, const Value& self, std::span<const Value>) {
  Object* copy = act.heap().make<Object>(act.realm().prototype("Matrix"));
  for (const char* field : kFields) copy->set(act, field, act.get(self, field));
  return Value(copy);
}

Value concat(Activation& act, const Value& self, std::span<const Value> args) {
  store(act, self, matrix_of(act, self).then(matrix_of(act, arg(args, 0))));
  return Value();
}

Value identity(Activation& act, const Value& self, std::span<const Value>) {
  store(act, self, swf::Matrix{});
  return Value();
}

Value invert(Activation& act, const Value& self, std::span<const Value>) {
  swf::Matrix m = matrix_of(act, self);
  double det = m.determinant();
  swf::Matrix i{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
  i.tx = -(i.a * m.tx + i.c * m.ty);
  i.ty = -(i.b * m.tx + i.d * m.ty);
  store(act, self, i);
  return Value();
}

Value rotate(Activation& act, const Value& self, std::span<const Value> args) {
  double angle = act.to_number(arg(args, 0));
  double cos = std::cos(angle), sin = std::sin(angle);
  store(act, self, matrix_of(act, self).then({cos, sin, -sin, cos, 0, 0}));
  return Value();
}

Value scale(Activation& act, const Value& self, std::span<const Value> args) {
  double sx = act.to_number(arg(args, 0)), sy = act.to_number(arg(args, 1));
  store(act, self, matrix_of(act, self).then({sx, 0, 0, sy, 0, 0}));
  return Value();
}

Value translate(Activation& act, const Value& self, std::span<const Value> args) {
  act.set(self, "tx", Value(number_field(act, self, "tx") + act.to_number(arg(args, 0))));
  act.set(self, "ty", Value(number_field(act, self, "ty") + act.to_number(arg(args, 1))));
  return Value();
}

// An optional translation argument: 0 when not given.
double offset_arg(Activation& act, std::span<const Value> args, std::size_t i) {
  return i < args.size() ? act.to_number(args[i]) : 0;
}

Value create_box(Activation& act, const Value& self, std::span<const Value> args) {
  double sx = act.to_number(arg(args, 0)), sy = act.to_number(arg(args, 1));
  double angle = act.to_number(arg(args, 2));
  double cos = std::cos(angle), sin = std::sin(angle);
  store(act, self,
        {cos * sx, sin * sy, -sin * sx, cos * sy, offset_arg(act, args, 3),
         offset_arg(act, args, 4)});
  return Value();
}

Value create_gradient_box(Activation& act, const Value& self, std::span<const Value> args) {
  double width = act.to_number(arg(args, 0)), height = act.to_number(arg(args, 1));
  double angle = offset_arg(act, args, 2);
  double cos = std::cos(angle), sin = std::sin(angle);
  double sx = width / kGradientSquare, sy = height / kGradientSquare;
  store(act, self,
        {cos * sx, sin * sy, -sin * sx, cos * sy, offset_arg(act, args, 3) + width / 2,
         offset_arg(act, args, 4) + height / 2});
  return Value();
}

Value transform_point(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& p = arg(args, 0);
  swf::Point q = matrix_of(act, self).apply(number_field(act, p, "x"), number_field(act, p, "y"));
  return make_point(act, q.x, q.y);
}

Value delta_transform_point(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& p = arg(args, 0);
  swf::Matrix m = matrix_of(act, self);
  m.tx = m.ty = 0;
  swf::Point q = m.apply(number_field(act, p, "x"), number_field(act, p, "y"));
  return make_point(act, q.x, q.y);
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  String text("(");
  for (int i = 0; i < 6; ++i) {
    if (i) text = text + ", ";
    text = text + kFields[i] + "=" + act.to_string(act.get(self, kFields[i]));
  }
  return Value(text + ")");
}

}  // namespace

Value make_matrix(Activation& act, double a, double b, double c, double d, double tx, double ty) {
  Object* m = act.heap().make<Object>(act.realm().prototype("Matrix"));
  const double values[] = {a, b, c, d, tx, ty};
  for (int i = 0; i < 6; ++i) m->set(act, kFields[i], Value(values[i]));
  return Value(m);
}

void register_matrix(Realm&, Activation& act) {
  ClassBuilder matrix(act, {"Matrix", matrix_constructor});
  matrix.method("clone", clone, 0)
      .method("concat", concat, 0)
      .method("createBox", create_box, 0)
      .method("createGradientBox", create_gradient_box, 0)
      .method("deltaTransformPoint", delta_transform_point, 0)
      .method("identity", identity, 0)
      .method("invert", invert, 0)
      .method("rotate", rotate, 0)
      .method("scale", scale, 0)
      .method("toString", to_string, 0)
      .method("transformPoint", transform_point, 0)
      .method("translate", translate, 0);
  matrix.install(flash_package(act, "geom"), 0);
}

}  // namespace strandel::avm1
