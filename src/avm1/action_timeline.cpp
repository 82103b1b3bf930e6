// Timeline and player actions: frames, targets, URLs and clip properties.
#include <cmath>

#include "avm1/action_codes.h"
#include "avm1/clip.h"
#include "avm1/display_properties.h"
#include "avm1/interpreter.h"
#include "avm1/scope.h"
#include "avm1/timeline.h"
#include "avm1/url.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// GotoFrame2 flags.
constexpr std::uint8_t kGotoPlay = 0x01;
constexpr std::uint8_t kGotoSceneBias = 0x02;
// GetURL2 flags.
constexpr std::uint8_t kLoadTarget = 0x40;
constexpr std::uint8_t kLoadVariables = 0x80;

// The scope chain with its timeline link aimed at another clip.
Scope* retarget(Heap& heap, Scope* scope, Object* clip) {
  if (!scope) return nullptr;
  if (scope->kind == Scope::Kind::Target)
    return heap.make<Scope>(Scope::Kind::Target, clip, scope->parent);
  if (scope->kind == Scope::Kind::Global) return heap.make<Scope>(Scope::Kind::Target, clip, scope);
  return heap.make<Scope>(scope->kind, scope->values, retarget(heap, scope->parent, clip));
}

}  // namespace

void Interpreter::timeline_simple(std::uint8_t code) {
  Object* clip = act_.target;
  switch (static_cast<Op>(code)) {
    case Op::NextFrame:
      clip_next_frame(clip);
      break;
    case Op::PrevFrame:
      clip_prev_frame(clip);
      break;
    case Op::Play:
      clip_play(clip);
      break;
    case Op::Stop:
      clip_stop(clip);
      break;
    case Op::EndDrag:
      stop_drag(act_);
      break;
    case Op::StopSounds:
      m_.player().stop_all_sounds();
      break;
    default:
      break;  // ToggleQuality: nothing to do here
  }
}

// GotoFrame past the last frame goes nowhere.
void Interpreter::action_goto_frame(Body& body) {
  std::uint16_t index = body.u16();
  if (index < clip_total_frames(act_.target)) clip_goto_index(act_.target, index, false);
}

void Interpreter::action_goto_label(Body& body) {
  clip_goto_label(act_, act_.target, String(body.cstring()), false);
}

void Interpreter::action_goto_frame2(Body& body) {
  std::uint8_t flags = body.u8();
  int bias = (flags & kGotoSceneBias) ? body.u16() : 0;
  clip_goto(act_, act_.target, pop_frame(), flags & kGotoPlay, bias);
}

void Interpreter::action_set_target(const String& path) {
  // A clip that has left the stage, with nothing at its path since, is no
  // target, and paths from it lead nowhere: the code then runs on the root.
  ClipObject* base = as_clip(Value(act_.base_clip));
  bool base_gone = base && !base->object();
  Object* clip =
      path.empty() || base_gone ? act_.base_clip : resolve_target(act_, path, act_.base_clip);
  if (ClipObject* c = clip ? as_clip(Value(clip)) : nullptr; !c || !c->object()) clip = nullptr;
  act_.target = clip;
  Object* scope_clip = clip ? clip : clip_root(act_, act_.base_clip).object();
  act_.scope = retarget(m_.heap(), act_.scope, scope_clip);
}

void Interpreter::action_get_url(Body& body) {
  String url(body.cstring());
  String target(body.cstring());
  get_url(act_, url, target, UrlMethod::None, false, false);
}

void Interpreter::action_get_url2(Body& body) {
  std::uint8_t flags = body.u8();
  String target = pop_string();
  String url = pop_string();
  auto method = static_cast<UrlMethod>(flags & 3);
  get_url(act_, url, target, method, flags & kLoadTarget, flags & kLoadVariables);
}

// WaitForFrame skips the next `skip` actions while the frame has not loaded.
Interpreter::Flow Interpreter::action_wait_for_frame(Body& body, bool from_stack) {
  Value frame = from_stack ? Value() : Value(static_cast<double>(body.u16()) + 1);
  std::uint8_t skip = body.u8();
  if (from_stack) frame = pop_frame();
  if (clip_frame_loaded(act_, act_.target, frame)) return Flow::Continue;
  for (std::uint8_t i = 0; i < skip && pc_ < code_.size(); ++i) {
    std::uint8_t code = code_[pc_];
    std::size_t length = 0;
    if (code >= 0x80) {
      if (pc_ + 3 > code_.size()) return Flow::End;
      length = code_[pc_ + 1] | (code_[pc_ + 2] << 8);
      pc_ += 2;
    }
    pc_ += 1 + length;
  }
  return pc_ > code_.size() ? Flow::End : Flow::Continue;
}

void Interpreter::action_get_property() {
  int index = act_.to_int32(pop());
  String path = pop_string();
  Object* clip = resolve_target(act_, path);
  auto* c = as_clip(Value(clip));
  push(c ? get_display_property(act_, *c, index) : Value());
}

void Interpreter::action_set_property() {
  Value value = pop();
  int index = act_.to_int32(pop());
  String path = pop_string();
  Object* clip = resolve_target(act_, path);
  if (auto* c = as_clip(Value(clip))) {
    set_display_property(act_, *c, index, value);
    return;
  }
  // With no clip the value still converts as the property would take it.
  constexpr int kName = 13, kUrl = 15;
  if (index == kName)
    act_.to_string(value);
  else if (index != kUrl)
    act_.to_number(value);
}

// CloneSprite's depth counts from the timeline's first depth; the name and
// source convert before it.
void Interpreter::action_clone_sprite() {
  Value depth = pop();
  String name = pop_string();
  String source = pop_string();
  double d = act_.to_number(depth) + swf::kTimelineDepthOffset;
  if (!std::isfinite(d)) return;
  duplicate_clip(act_, resolve_target(act_, source), name, static_cast<std::int32_t>(d));
}

void Interpreter::action_remove_sprite() {
  String path = pop_string();
  remove_clip(act_, resolve_target(act_, path));
}

void Interpreter::action_start_drag() {
  String path = pop_string();
  bool lock_center = act_.to_boolean(pop());
  bool constrained = act_.to_boolean(pop());
  DragBounds bounds;
  if (constrained) {
    bounds.bottom = pop_number();
    bounds.right = pop_number();
    bounds.top = pop_number();
    bounds.left = pop_number();
    bounds.constrained = true;
  }
  start_drag(act_, resolve_target(act_, path), lock_center, bounds);
}

void Interpreter::action_call_frame() { clip_call_frame(act_, act_.target, pop_frame()); }

// A frame number or label from the stack: an object names a frame by its
// string.
Value Interpreter::pop_frame() {
  Value v = pop();
  return v.is_object() ? Value(act_.to_string(v)) : v;
}

}  // namespace strandel::avm1
