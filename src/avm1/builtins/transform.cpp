// flash.geom.Transform: a clip's matrix and colour transform, alone and
// combined with its parents', and its bounds on the stage. The object keeps
// only its clip and reads and writes the clip's fields each time; a clip's
// `transform` property makes a new one.
#include <algorithm>
#include <cmath>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/color_transform.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/clip.h"
#include "avm1/heap.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/display_list.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

constexpr double kTwips = 20;
// Parents walked at most for the combined colour transform, as deep as the
// player nests clips.
constexpr int kMaxNesting = 64;

class TransformObject : public Object {
 public:
  using Object::Object;
  Object* clip = nullptr;
  void trace(Tracer& tracer) override {
    Object::trace(tracer);
    tracer.mark(clip);
  }
};

Object* allocate(Activation& act, Object* proto) { return act.heap().make<TransformObject>(proto); }

swf::DisplayObject* clip_of(const Value& self) {
  auto* t = this_as<TransformObject>(self);
  return t && t->clip ? display_object(Value(t->clip)) : nullptr;
}

void changed(const Value& self, swf::DisplayObject& obj) {
  obj.transformed_by_script = true;
  if (ClipObject* c = as_clip(Value(this_as<TransformObject>(self)->clip)))
    c->player().mark_dirty();
}

Value matrix_value(Activation& act, const swf::Matrix& m) {
  return make_matrix(act, m.a, m.b, m.c, m.d, m.tx / kTwips, m.ty / kTwips);
}

// new Transform(clip)
Value constructor(Activation&, const Value& self, std::span<const Value> args) {
  auto* t = this_as<TransformObject>(self);
  if (t && as_clip(arg(args, 0))) t->clip = arg(args, 0).object();
  return Value();
}

Value get_matrix(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = clip_of(self);
  return obj ? matrix_value(act, obj->matrix) : Value();
}

Value set_matrix(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = clip_of(self);
  const Value& v = arg(args, 0);
  if (!obj || !v.is_object()) return Value();
  swf::Matrix m{number_field(act, v, "a"),           number_field(act, v, "b"),
                number_field(act, v, "c"),           number_field(act, v, "d"),
                number_field(act, v, "tx") * kTwips, number_field(act, v, "ty") * kTwips};
  if (!std::isfinite(m.a + m.b + m.c + m.d + m.tx + m.ty)) return Value();
  obj->set_matrix(m);
  changed(self, *obj);
  return Value();
}

Value get_concatenated_matrix(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = clip_of(self);
  if (!obj) return Value();
  return matrix_value(act, act.machine().player().to_stage(*obj));
}

Value get_color_transform(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = clip_of(self);
  return obj ? make_color_transform(act, obj->cxform) : Value();
}

Value set_color_transform(Activation&, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = clip_of(self);
  auto* ct = dynamic_cast<ColorTransformObject*>(arg(args, 0).object());
  if (!obj || !ct) return Value();
  obj->cxform = ct->value;
  changed(self, *obj);
  return Value();
}

Value get_concatenated_color_transform(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = clip_of(self);
  if (!obj) return Value();
  swf::ColorTransform c = obj->cxform;
  int n = 0;
  for (const swf::DisplayObject* p = obj->parent; p && n < kMaxNesting; p = p->parent, ++n)
    c = c.then(p->cxform);
  return make_color_transform(act, c);
}

// The clip's bounds on the stage in whole pixels; empty at 0, 0 when it
// shows nothing.
Value get_pixel_bounds(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = clip_of(self);
  if (!obj) return Value();
  swf::Player& player = act.machine().player();
  auto b = player.bounds(*obj);
  if (!b) return make_rectangle(act, Value(0), Value(0), Value(0), Value(0));
  swf::Matrix m = player.to_stage(*obj);
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (double x : {double(b->xmin), double(b->xmax)}) {
    for (double y : {double(b->ymin), double(b->ymax)}) {
      double px = (m.a * x + m.c * y + m.tx) / kTwips, py = (m.b * x + m.d * y + m.ty) / kTwips;
      x0 = std::min(x0, px), y0 = std::min(y0, py), x1 = std::max(x1, px), y1 = std::max(y1, py);
    }
  }
  if (!std::isfinite(x0 + y0 + x1 + y1))
    return make_rectangle(act, Value(0), Value(0), Value(0), Value(0));
  x0 = std::floor(x0), y0 = std::floor(y0), x1 = std::ceil(x1), y1 = std::ceil(y1);
  return make_rectangle(act, Value(x0), Value(y0), Value(x1 - x0), Value(y1 - y0));
}

// A clip's `transform`: a new Transform of it; setting one takes its
// matrix and colour transform.
Value clip_transform_get(Activation& act, const Value& self, std::span<const Value>) {
  if (!display_object(self)) return Value();
  Object* t = allocate(act, act.realm().prototype("Transform"));
  static_cast<TransformObject*>(t)->clip = self.object();
  return Value(t);
}

Value clip_transform_set(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = display_object(self);
  swf::DisplayObject* from = clip_of(arg(args, 0));
  if (!obj || !from) return Value();
  obj->set_matrix(from->matrix);
  obj->cxform = from->cxform;
  obj->transformed_by_script = true;
  act.machine().player().mark_dirty();
  return Value();
}

}  // namespace

void register_transform(Realm& realm, Activation& act) {
  ClassBuilder transform(act, {"Transform", constructor, nullptr, allocate});
  transform.property("matrix", get_matrix, set_matrix, 0)
      .property("concatenatedMatrix", get_concatenated_matrix, nullptr, 0)
      .property("colorTransform", get_color_transform, set_color_transform, 0)
      .property("concatenatedColorTransform", get_concatenated_color_transform, nullptr, 0)
      .property("pixelBounds", get_pixel_bounds, nullptr, 0);
  transform.install(flash_package(act, "geom"), 0);
  if (realm.movie_clip_proto)
    define_property(act, realm.movie_clip_proto, "transform", clip_transform_get,
                    clip_transform_set);
}

}  // namespace strandel::avm1
