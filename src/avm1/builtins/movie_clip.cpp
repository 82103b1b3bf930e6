// MovieClip: the timeline methods every clip's prototype has.
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/timeline.h"
#include "avm1/url.h"
#include "avm1/variables.h"

namespace strandel::avm1 {

// The drawing methods, in movie_clip_drawing.cpp.
void add_movie_clip_drawing(ClassBuilder& clip);

namespace {

Value play(Activation&, const Value& self, std::span<const Value>) {
  clip_play(self.object());
  return Value();
}

Value stop(Activation&, const Value& self, std::span<const Value>) {
  clip_stop(self.object());
  return Value();
}

Value next_frame(Activation&, const Value& self, std::span<const Value>) {
  clip_next_frame(self.object());
  return Value();
}

Value prev_frame(Activation&, const Value& self, std::span<const Value>) {
  clip_prev_frame(self.object());
  return Value();
}

Value goto_and_play(Activation& act, const Value& self, std::span<const Value> args) {
  if (!args.empty()) clip_goto(act, self.object(), args[0], true);
  return Value();
}

Value goto_and_stop(Activation& act, const Value& self, std::span<const Value> args) {
  if (!args.empty()) clip_goto(act, self.object(), args[0], false);
  return Value();
}

Value get_url(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value();
  avm1::get_url(act, act.to_string(args[0]), act.to_string(arg(args, 1)), UrlMethod::None, false,
                false);
  return Value();
}

Value remove_movie_clip(Activation& act, const Value& self, std::span<const Value>) {
  remove_clip(act, self.object());
  return Value();
}

Value duplicate_movie_clip(Activation& act, const Value& self, std::span<const Value> args) {
  String name = act.to_string(arg(args, 0));  // converts before the depth
  std::int32_t depth = act.to_int32(arg(args, 1));
  Object* copy = duplicate_clip(act, self.object(), name, depth);
  copy_init_object(act, copy, arg(args, 2));
  return Value(copy);
}

Value start_drag(Activation& act, const Value& self, std::span<const Value> args) {
  DragBounds bounds;
  if (args.size() >= 5) {
    bounds.constrained = true;
    bounds.left = act.to_number(args[1]);
    bounds.top = act.to_number(args[2]);
    bounds.right = act.to_number(args[3]);
    bounds.bottom = act.to_number(args[4]);
  }
  avm1::start_drag(act, self.object(), act.to_boolean(arg(args, 0)), bounds);
  return Value();
}

Value stop_drag(Activation& act, const Value&, std::span<const Value>) {
  avm1::stop_drag(act);
  return Value();
}

Value movie_clip_constructor(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void register_movie_clip(Realm& realm, Activation& act) {
  ClassBuilder clip(act, {"MovieClip", movie_clip_constructor});
  clip.method("play", play)
      .method("stop", stop)
      .method("nextFrame", next_frame)
      .method("prevFrame", prev_frame)
      .method("gotoAndPlay", goto_and_play)
      .method("gotoAndStop", goto_and_stop)
      .method("getURL", get_url)
      .method("removeMovieClip", remove_movie_clip)
      .method("duplicateMovieClip", duplicate_movie_clip)
      .method("startDrag", start_drag)
      .method("stopDrag", stop_drag);
  register_movie_clip_tree(act, clip.prototype());
  add_movie_clip_drawing(clip);
  clip.install(realm.global);
  realm.movie_clip_proto = clip.prototype();
}

}  // namespace strandel::avm1
