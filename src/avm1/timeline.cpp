#include "avm1/timeline.h"

#include <algorithm>
#include <cmath>

#include "avm1/activation.h"
#include "avm1/clip.h"
#include "avm1/interpreter.h"
#include "avm1/machine.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// The clip a script object stands for, when it is a clip on the stage.
std::shared_ptr<swf::DisplayObject> live(Object* clip) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  auto o = c ? c->object_shared() : nullptr;
  return o && o->sprite ? o : nullptr;
}

swf::Player* player_of(Object* clip) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  return c ? &c->player() : nullptr;
}

// "path:frame" splits into the clip and the frame; otherwise the clip stays.
Object* split_frame_path(Activation& act, Object* clip, String& frame) {
  std::string_view f = frame.view();
  auto colon = f.rfind(':');
  if (colon == std::string_view::npos) return clip;
  Object* target = resolve_target(act, String(f.substr(0, colon)), clip);
  frame = String(f.substr(colon + 1));
  return target;
}

// The 0-based frame a frame number names: the player counts in 32 bits,
// so numbers wrap, and what falls before the first frame names none.
std::optional<std::uint32_t> numbered_frame(double number, int bias) {
  std::int64_t index = static_cast<std::int64_t>(double_to_int32(number)) + bias - 1;
  index = static_cast<std::int32_t>(static_cast<std::uint32_t>(index));
  if (index < 0) return std::nullopt;
  return static_cast<std::uint32_t>(index);
}

// The 0-based frame a value names on a clip; empty for no such frame. A
// whole number is a frame number; anything else is read as text: a frame
// number written out, or a label ("path:frame" addresses another clip).
std::optional<std::uint32_t> frame_index(Activation& act, Object*& clip, const Value& frame,
                                         int bias) {
  if (frame.is_number() && std::trunc(frame.number()) == frame.number())
    return numbered_frame(frame.number(), bias);
  String text = act.to_string(frame);
  clip = split_frame_path(act, clip, text);
  auto instance = live(clip);
  if (!instance) return std::nullopt;
  double number = string_to_number(text.view(), act.version());
  if (std::isfinite(number) && std::trunc(number) == number) return numbered_frame(number, bias);
  // A label is looked for from the first frame of the movie, whatever the
  // scene, and the scene's bias is added to the frame it names.
  auto index = player_of(clip)->label_frame(*instance, text.view());
  if (!index) return std::nullopt;
  return static_cast<std::uint32_t>(*index + std::clamp(bias, 0, 65535));
}

}  // namespace

void clip_play(Object* clip) {
  if (auto c = live(clip)) player_of(clip)->set_playing(*c, true);
}

void clip_stop(Object* clip) {
  if (auto c = live(clip)) player_of(clip)->set_playing(*c, false);
}

void clip_goto_index(Object* clip, std::uint32_t index, bool play) {
  if (auto c = live(clip)) player_of(clip)->goto_frame(*c, index, play);
}

std::uint32_t clip_total_frames(Object* clip) {
  auto c = live(clip);
  return c ? player_of(clip)->total_frames(*c) : 0;
}

void clip_next_frame(Object* clip) {
  auto c = live(clip);
  if (!c) return;
  swf::Player& player = *player_of(clip);
  std::uint16_t current = c->sprite->current_frame;
  if (current < player.total_frames(*c))
    player.goto_frame(*c, current, false);
  else
    player.set_playing(*c, false);
}

void clip_prev_frame(Object* clip) {
  auto c = live(clip);
  if (!c) return;
  std::uint16_t current = c->sprite->current_frame;
  if (current > 1)
    player_of(clip)->goto_frame(*c, current - 2u, false);
  else
    player_of(clip)->set_playing(*c, false);
}

void clip_goto(Activation& act, Object* clip, const Value& frame, bool play, int bias) {
  Object* target = clip;
  auto index = frame_index(act, target, frame, bias);
  if (index) clip_goto_index(target, *index, play);
}

void clip_goto_label(Activation& act, Object* clip, const String& label, bool play) {
  auto c = live(clip);
  if (!c) return;
  (void)act;
  auto index = player_of(clip)->label_frame(*c, label.view());
  if (index) player_of(clip)->goto_frame(*c, *index, play);
}

void clip_call_frame(Activation& act, Object* clip, const Value& frame) {
  Object* target = clip;
  auto index = frame_index(act, target, frame, 0);
  auto c = live(target);
  if (!index || !c) return;
  swf::Player& player = *player_of(target);
  if (*index >= player.total_frames(*c)) return;
  for (auto block : player.frame_actions(*c, static_cast<std::uint16_t>(*index))) {
    Code code{nullptr, block, player.version()};
    Activation frame_act(act.machine(), code, act.machine().clip_scope(target), Value(target),
                         target, target);
    interpret(frame_act);
  }
}

bool clip_frame_loaded(Activation& act, Object* clip, const Value& frame) {
  if (!live(clip)) return false;
  // The whole movie is at hand, so any frame a movie can have counts as
  // loaded, as does one that names no frame (a missing label, a number
  // before the first frame). Only frames from 16002 up, past the most a
  // movie may declare, do not.
  constexpr std::uint32_t kLastLoadableIndex = 16000;
  Object* target = clip;
  auto index = frame_index(act, target, frame, 0);
  return !index || *index <= kLastLoadableIndex;
}

void start_drag(Activation& act, Object* clip, bool lock_center, const DragBounds& bounds) {
  swf::DisplayObject* o = display_object(Value(clip));
  if (!o) return;
  swf::Player::DragBounds b{bounds.constrained, bounds.left, bounds.top, bounds.right,
                            bounds.bottom};
  act.machine().player().start_drag(*o, lock_center, b);
}

void stop_drag(Activation& act) { act.machine().player().stop_drag(); }

Object* duplicate_clip(Activation& act, Object* clip, const String& name, std::int32_t depth) {
  swf::DisplayObject* o = display_object(Value(clip));
  if (!o) return nullptr;
  swf::DisplayObject* copy = act.machine().player().duplicate(*o, name.str(), depth);
  return copy ? clip_object(act.machine(), *copy) : nullptr;
}

// removeMovieClip takes only what sits at a depth scripts use, below the
// reserved top depths.
void remove_clip(Activation& act, Object* clip) {
  constexpr std::int32_t kMaxRemovableDepth = 2130690031;
  swf::DisplayObject* o = display_object(Value(clip));
  if (!o || o->depth < 0 || o->depth > kMaxRemovableDepth) return;
  act.machine().player().remove(*o);
}

}  // namespace strandel::avm1
