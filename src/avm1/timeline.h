// What scripts do to a clip's timeline: the timeline actions and the
// MovieClip methods share these.
#pragma once

#include <cstdint>

#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class Object;

void clip_play(Object* clip);
void clip_stop(Object* clip);
void clip_next_frame(Object* clip);
void clip_prev_frame(Object* clip);
// A frame given as a script gives it: a number (1-based, plus `bias`), a
// string that reads as one, or a label; "path:frame" addresses another
// clip. Frames past the end go to the last.
void clip_goto(Activation& act, Object* clip, const Value& frame, bool play, int bias = 0);
// A 0-based frame, as GotoFrame gives it.
void clip_goto_index(Object* clip, std::uint32_t index, bool play);
// The clip's frame count; 0 when it is not a clip on the stage.
std::uint32_t clip_total_frames(Object* clip);
void clip_goto_label(Activation& act, Object* clip, const String& label, bool play);
// Runs a frame's actions on the clip without going there (the Call action).
void clip_call_frame(Activation& act, Object* clip, const Value& frame);
// Whether the clip's frame (1-based) has loaded: every frame of a movie held
// in memory has, so only frames past the end have not.
bool clip_frame_loaded(Activation& act, Object* clip, const Value& frame);

// startDrag's rectangle, in the parent's pixels.
struct DragBounds {
  bool constrained = false;
  double left = 0, top = 0, right = 0, bottom = 0;
};
void start_drag(Activation& act, Object* clip, bool lock_center, const DragBounds& bounds);
void stop_drag(Activation& act);
// duplicateMovieClip: a copy of the clip beside it, under a new name and depth.
Object* duplicate_clip(Activation& act, Object* clip, const String& name, std::int32_t depth);
void remove_clip(Activation& act, Object* clip);

}  // namespace strandel::avm1
