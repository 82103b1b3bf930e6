// Video: a video character placed on a timeline, as scripts see it. Its
// display properties are a clip's; attachVideo(stream) shows a NetStream's
// pictures in its place, scaled to its size; width and height are the size
// of the picture shown.
#include "swf/video.h"

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/net_stream.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/display_list.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

swf::DisplayObject* video_of(const Value& self) {
  swf::DisplayObject* o = display_object(self);
  return o && o->kind == swf::DisplayKind::Video ? o : nullptr;
}

// attachVideo(stream), or attachVideo(null) to show nothing.
Value attach_video(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* o = video_of(self);
  if (!o) return Value();
  o->video_stream = streamed_video(arg(args, 0));
  act.machine().player().mark_dirty();
  return Value();
}

// The picture shown now, decoded if it has not been yet.
cairo_surface_t* picture(const Value& self) {
  swf::DisplayObject* o = video_of(self);
  if (!o || !o->video_stream || !o->video_stream->frame) return nullptr;
  return swf::video_frame(o->video_stream->video, *o->video_stream->frame);
}

Value get_width(Activation&, const Value& self, std::span<const Value>) {
  cairo_surface_t* p = picture(self);
  return Value(p ? cairo_image_surface_get_width(p) : 0);
}

Value get_height(Activation&, const Value& self, std::span<const Value>) {
  cairo_surface_t* p = picture(self);
  return Value(p ? cairo_image_surface_get_height(p) : 0);
}

Value get_smoothing(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = video_of(self);
  return o ? Value(o->smoothing) : Value();
}

Value set_smoothing(Activation& act, const Value& self, std::span<const Value> args) {
  if (swf::DisplayObject* o = video_of(self)) {
    o->smoothing = act.to_boolean(arg(args, 0));
    act.machine().player().mark_dirty();
  }
  return Value();
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void register_video(Realm& realm, Activation& act) {
  ClassBuilder video(act, {"Video", nothing});
  video.method("attachVideo", attach_video)
      .method("clear", nothing)
      .property("width", get_width)
      .property("height", get_height)
      .property("smoothing", get_smoothing, set_smoothing);
  video.install(realm.global);
}

}  // namespace strandel::avm1
