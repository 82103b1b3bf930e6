#include "avm1/timeline.h"

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

// The 0-based frame a value names on a clip; empty for no such frame.
std::optional<std::uint32_t> frame_index(Activation& act, Object*& clip, const Value& frame,
                                         int bias) {
  double number;
  if (frame.is_string()) {
    String text = frame.string();
    clip = split_frame_path(act, clip, text);
    auto instance = live(clip);
    if (!instance) return std::nullopt;
    number = string_to_number(text.view(), act.version());
    if (std::isnan(number)) {
      auto index = player_of(clip)->label_frame(*instance, text.view());
      if (!index) return std::nullopt;
      return *index;
    }
  } else {
    number = act.to_number(frame);
  }
  if (std::isnan(number)) return std::nullopt;
  number = std::trunc(number) + bias;
  if (number < 1) number = 1;
  if (number > 65536) number = 65536;
  return static_cast<std::uint32_t>(number - 1);
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
  auto c = live(clip);
  if (!c) return false;
  // The whole movie is at hand: a label always counts as loaded.
  double n = act.to_number(frame);
  return std::isnan(n) || n <= player_of(clip)->total_frames(*c);
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

// removeMovieClip takes only what sits at a depth scripts use.
void remove_clip(Activation& act, Object* clip) {
  swf::DisplayObject* o = display_object(Value(clip));
  if (!o || o->depth < 0) return;
  act.machine().player().remove(*o);
}

}  // namespace strandel::avm1
