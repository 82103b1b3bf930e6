// Selection: the keyboard focus and the selected text of the focused field,
// as scripts see and set them, and a broadcaster of focus changes.
#include "avm1/builtins/selection.h"

#include <algorithm>
#include <cmath>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/text_field.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/player.h"
#include "swf/text_field.h"

namespace strandel::avm1 {

namespace {

// Movies from this version on leave a field's selection alone when it
// takes the focus; older ones select its whole text.
constexpr int kKeepSelectionVersion = 10;

swf::DisplayObject* focused(Machine& machine) {
  std::shared_ptr<swf::DisplayObject> o = machine.player().focus.lock();
  return o && !o->removed ? o.get() : nullptr;
}

swf::TextField* focused_field(Activation& act) {
  swf::DisplayObject* o = focused(act.machine());
  return o ? o->text_field.get() : nullptr;
}

Value script_value(Machine& machine, swf::DisplayObject* o) {
  return o ? Value(clip_object(machine, *o)) : Value::null();
}

// Text fields and buttons take the focus; a clip only when its
// focusEnabled says so.
bool focusable(Activation& act, swf::DisplayObject& o) {
  if (o.removed) return false;
  switch (o.kind) {
    case swf::DisplayKind::EditText:
    case swf::DisplayKind::Button:
      return true;
    case swf::DisplayKind::MovieClip:
      return act.to_boolean(act.get(script_value(act.machine(), &o), "focusEnabled"));
    case swf::DisplayKind::Graphic:
    case swf::DisplayKind::Video:
      break;
  }
  return false;
}

// Buttons and clips show the focus as a highlight; fields show a caret.
swf::DisplayObject* highlighted(swf::DisplayObject* o) {
  return o && o->kind != swf::DisplayKind::EditText ? o : nullptr;
}

Value set_focus(Activation& act, const Value&, std::span<const Value> args) {
  const Value& target = arg(args, 0);
  if (target.is_nullish()) {
    move_focus(act, nullptr);
    return Value(true);
  }
  swf::DisplayObject* o = nullptr;
  if (target.is_string()) {
    o = display_object(Value(resolve_target(act, target.string())));
  } else if (target.is_object()) {
    o = display_object(target);
  }
  if (!o || !focusable(act, *o)) return Value(false);
  move_focus(act, o);
  return Value(true);
}

Value get_focus(Activation& act, const Value&, std::span<const Value>) {
  swf::DisplayObject* o = focused(act.machine());
  return o ? Value(clip_object(act.machine(), *o)->path(false)) : Value::null();
}

enum class End { Begin, End, Caret };

template <End Which>
Value get_index(Activation& act, const Value&, std::span<const Value>) {
  swf::TextField* f = focused_field(act);
  if (!f || !f->selection) return Value(-1);
  auto [begin, end] = f->selected_range();
  std::size_t at = Which == End::Begin ? begin
                   : Which == End::End ? end
                                       : std::min(f->selection->caret, f->length());
  return Value(to_script_position(*f, at));
}

// A position argument: NaN is 0, and a missing or undefined end is the
// text's end.
std::size_t position_of(Activation& act, const swf::TextField& f, const Value& v) {
  if (v.is_undefined()) return f.length();
  double n = act.to_number(v);
  return to_model_position(f, std::isnan(n) ? 0 : n);
}

Value set_selection(Activation& act, const Value&, std::span<const Value> args) {
  swf::TextField* f = focused_field(act);
  if (!f || args.empty()) return Value();
  f->select(position_of(act, *f, args[0]), position_of(act, *f, arg(args, 1)));
  act.machine().player().mark_dirty();
  return Value();
}

}  // namespace

void move_focus(Activation& act, swf::DisplayObject* object) {
  Machine& machine = act.machine();
  swf::Player& player = machine.player();
  swf::DisplayObject* old = focused(machine);
  // Focusing the same button again rolls it out and over once more.
  player.move_focus_highlight(highlighted(old), highlighted(object));
  if (old == object) return;
  player.focus = object ? object->weak_from_this() : std::weak_ptr<swf::DisplayObject>();
  if (object && object->text_field && act.version() < kKeepSelectionVersion)
    object->text_field->select(0, object->text_field->length());
  player.mark_dirty();
  Value before = script_value(machine, old), after = script_value(machine, object);
  if (old) act.call_method(before, "onKillFocus", {after});
  if (object) act.call_method(after, "onSetFocus", {before});
  Value selection = act.get(Value(act.global()), "Selection");
  if (selection.is_object())
    act.call_method(selection, "broadcastMessage", {Value("onSetFocus"), before, after});
}

void object_hidden(Activation& act, swf::DisplayObject& object) {
  if (focused(act.machine()) == &object) move_focus(act, nullptr);
}

void register_selection(Realm& realm, Activation& act) {
  Object* selection = act.new_object();
  make_broadcaster(act, selection);
  define_method(act, selection, "setFocus", set_focus);
  define_method(act, selection, "getFocus", get_focus);
  define_method(act, selection, "getBeginIndex", get_index<End::Begin>);
  define_method(act, selection, "getEndIndex", get_index<End::End>);
  define_method(act, selection, "getCaretIndex", get_index<End::Caret>);
  define_method(act, selection, "setSelection", set_selection);
  realm.global->define("Selection", Value(selection), attr::DontEnum);
}

}  // namespace strandel::avm1
