// MovieClip: the methods that change the display tree (attachMovie,
// createEmptyMovieClip, swapDepths...) and the ones that ask about its
// geometry (getBounds, hitTest, localToGlobal...).
#include <cmath>
#include <limits>
#include <optional>

#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

constexpr double kTwips = 20;
// What getBounds gives for a clip that shows nothing: the largest twip
// coordinate in pixels, and that coordinate rounded to single precision.
constexpr double kEmptyBounds = 6710886.35;
constexpr double kEmptyBoundsRounded = 6710886.4;

swf::DisplayObject* self_object(const Value& self) { return display_object(self); }

Object* new_clip(Activation& act, swf::DisplayObject* made) {
  return made ? clip_object(act.machine(), *made) : nullptr;
}

Value attach_movie(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* parent = self_object(self);
  if (!parent || args.size() < 3) return Value();
  swf::Player& player = act.machine().player();
  auto id = player.exported_character(*parent, act.to_string(args[0]).view());
  if (!id) return Value();
  double depth = act.to_number(args[2]);
  if (!std::isfinite(depth)) return Value();
  Object* clip = new_clip(act, player.attach(*parent, *id, act.to_string(args[1]).str(),
                                             static_cast<std::int32_t>(depth)));
  copy_init_object(act, clip, arg(args, 3));
  if (auto* c = as_clip(Value(clip))) construct_registered(act, c);
  return Value(clip);
}

Value create_empty_movie_clip(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* parent = self_object(self);
  if (!parent || args.size() < 2) return Value();
  double depth = act.to_number(args[1]);
  if (!std::isfinite(depth)) return Value();
  return Value(
      new_clip(act, act.machine().player().create_empty_clip(*parent, act.to_string(args[0]).str(),
                                                             static_cast<std::int32_t>(depth))));
}

Value get_depth(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = self_object(self);
  return o ? Value(o->depth) : Value();
}

// One above the highest depth in use from 0 up.
Value get_next_highest_depth(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = self_object(self);
  const swf::DisplayList* list = o ? o->children() : nullptr;
  if (!list) return Value();
  if (list->empty() || list->rbegin()->first < 0) return Value(0);
  return Value(static_cast<double>(list->rbegin()->first) + 1);
}

Value get_instance_at_depth(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = self_object(self);
  swf::DisplayList* list = o ? o->children() : nullptr;
  if (!list || args.empty()) return Value();
  double depth = act.to_number(args[0]);
  if (!std::isfinite(depth)) return Value();
  auto it = list->find(static_cast<std::int32_t>(depth));
  if (it == list->end()) return Value();
  swf::DisplayObject& found = *it->second;
  // A shape has no script object of its own: it answers for its clip.
  return Value(clip_object(act.machine(), found.kind == swf::DisplayKind::Graphic ? *o : found));
}

// swapDepths(depth) or swapDepths(sibling).
Value swap_depths(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = self_object(self);
  if (!o || !o->parent || args.empty()) return Value();
  std::optional<std::int32_t> depth;
  if (swf::DisplayObject* other = display_object(args[0])) {
    if (other->parent == o->parent) depth = other->depth;
  } else if (!args[0].is_object()) {
    double d = act.to_number(args[0]);
    if (std::isfinite(d)) depth = static_cast<std::int32_t>(d);
  }
  if (depth) act.machine().player().swap_depths(*o, *depth);
  return Value();
}

// A clip holding a loaded picture, not a movie, has no version: -1.
Value get_swf_version(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = self_object(self);
  if (!o || (o->sprite && o->sprite->dictionary && !o->sprite->loaded && o->character_id == 0))
    return Value(-1);
  return Value(static_cast<int>(o->version));
}

Value get_bytes_total(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = self_object(self);
  if (!o) return Value();
  if (o->character_id == 0 && o->parent) return Value(0);
  return Value(static_cast<double>(act.machine().player().movie()->declared_length));
}

// The clip a coordinate-space argument names: a clip, or a path to one.
std::optional<swf::DisplayObject*> space_of(Activation& act, const Value& v) {
  if (swf::DisplayObject* o = display_object(v)) return o;
  if (v.is_string()) {
    Object* target = resolve_target(act, v.string(), act.target);
    if (swf::DisplayObject* o = display_object(Value(target))) return o;
  }
  return std::nullopt;
}

std::optional<swf::Matrix> from_stage(const swf::Player& player, const swf::DisplayObject& o) {
  return player.to_stage(o).inverse();
}

struct Box {
  double xmin, xmax, ymin, ymax;
};

// The object's bounds (twips) carried by m, as the box around them.
Box carry(const swf::Rect& r, const swf::Matrix& m) {
  swf::Point p[] = {m.apply(r.xmin, r.ymin), m.apply(r.xmax, r.ymin), m.apply(r.xmin, r.ymax),
                    m.apply(r.xmax, r.ymax)};
  Box b{p[0].x, p[0].x, p[0].y, p[0].y};
  for (const swf::Point& q : p) {
    b.xmin = std::min(b.xmin, q.x);
    b.xmax = std::max(b.xmax, q.x);
    b.ymin = std::min(b.ymin, q.y);
    b.ymax = std::max(b.ymax, q.y);
  }
  return b;
}

// Twips to pixels, as the player rounds them: to the twip.
double pixels(double twips) { return std::round(twips) / kTwips; }

Value bounds_object(Activation& act, double xmin, double xmax, double ymin, double ymax) {
  Object* out = act.new_object();
  out->define("xMin", Value(xmin));
  out->define("xMax", Value(xmax));
  out->define("yMin", Value(ymin));
  out->define("yMax", Value(ymax));
  return Value(out);
}

Value get_bounds(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = self_object(self);
  if (!o) return Value();
  swf::Player& player = act.machine().player();
  swf::DisplayObject* space = o;
  if (!args.empty()) {
    auto named = space_of(act, args[0]);
    if (!named) return Value();
    space = *named;
  }
  bool& rounded = act.machine().empty_bounds_rounded;
  if (act.version() >= 8 || act.machine().root_version() >= 8) rounded = true;
  auto b = player.bounds(*o);
  if (!b) {
    double none = rounded && space != o ? kEmptyBoundsRounded : kEmptyBounds;
    return bounds_object(act, none, none, none, none);
  }
  swf::Matrix m;
  if (space != o) {
    auto back = from_stage(player, *space);
    if (!back) return Value();
    m = player.to_stage(*o).then(*back);
  }
  Box box = carry(*b, m);
  return bounds_object(act, pixels(box.xmin), pixels(box.xmax), pixels(box.ymin), pixels(box.ymax));
}

// The object's bounds on the stage, in twips.
std::optional<Box> stage_box(const swf::Player& player, const swf::DisplayObject& o) {
  auto b = player.bounds(o);
  if (!b) return std::nullopt;
  return carry(*b, player.to_stage(o));
}

// hitTest(x, y[, shapeFlag]) with stage pixels, or hitTest(other) by bounds.
Value hit_test(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = self_object(self);
  if (!o || args.empty()) return Value(false);
  swf::Player& player = act.machine().player();
  if (args.size() >= 2) {
    double x = act.to_number(args[0]) * kTwips, y = act.to_number(args[1]) * kTwips;
    if (!std::isfinite(x) || !std::isfinite(y)) return Value(false);
    if (act.to_boolean(arg(args, 2))) return Value(player.object_contains(*o, x, y));
    auto box = stage_box(player, *o);
    return Value(box && x >= box->xmin && x <= box->xmax && y >= box->ymin && y <= box->ymax);
  }
  auto other = space_of(act, args[0]);
  if (!other) return Value(false);
  auto a = stage_box(player, *o), b = stage_box(player, **other);
  if (!a || !b) return Value(false);
  return Value(a->xmin <= b->xmax && b->xmin <= a->xmax && a->ymin <= b->ymax &&
               b->ymin <= a->ymax);
}

// Carries a point object's x and y (pixels) between a clip's space and the stage's.
void convert_point(Activation& act, const Value& self, const Value& point, bool to_global) {
  swf::DisplayObject* o = self_object(self);
  if (!o || !point.is_object()) return;
  Value xv = act.get(point, "x"), yv = act.get(point, "y");
  if (xv.is_undefined() || yv.is_undefined()) return;
  swf::Player& player = act.machine().player();
  swf::Matrix m = player.to_stage(*o);
  if (!to_global) {
    auto back = m.inverse();
    if (!back) return;
    m = *back;
  }
  swf::Point p = m.apply(act.to_number(xv) * kTwips, act.to_number(yv) * kTwips);
  act.set(point, "x", Value(p.x / kTwips));
  act.set(point, "y", Value(p.y / kTwips));
}

Value local_to_global(Activation& act, const Value& self, std::span<const Value> args) {
  convert_point(act, self, arg(args, 0), true);
  return Value();
}

Value global_to_local(Activation& act, const Value& self, std::span<const Value> args) {
  convert_point(act, self, arg(args, 0), false);
  return Value();
}

}  // namespace

void copy_init_object(Activation& act, Object* clip, const Value& init) {
  Object* from = init.is_object() ? init.object() : nullptr;
  if (!clip || !from) return;
  for (const String& name : from->enumerate(act)) act.set(Value(clip), name, act.get(init, name));
}

void register_movie_clip_tree(Activation& act, Object* proto) {
  define_method(act, proto, "attachMovie", attach_movie);
  define_method(act, proto, "createEmptyMovieClip", create_empty_movie_clip);
  define_method(act, proto, "getDepth", get_depth);
  define_method(act, proto, "getNextHighestDepth", get_next_highest_depth);
  define_method(act, proto, "getInstanceAtDepth", get_instance_at_depth);
  define_method(act, proto, "swapDepths", swap_depths);
  define_method(act, proto, "getSWFVersion", get_swf_version);
  define_method(act, proto, "getBytesLoaded", get_bytes_total);
  define_method(act, proto, "getBytesTotal", get_bytes_total);
  define_method(act, proto, "getBounds", get_bounds);
  define_method(act, proto, "getRect", get_bounds);
  define_method(act, proto, "hitTest", hit_test);
  define_method(act, proto, "localToGlobal", local_to_global);
  define_method(act, proto, "globalToLocal", global_to_local);
  proto->define("useHandCursor", Value(true), attr::Hidden);
}

}  // namespace strandel::avm1
