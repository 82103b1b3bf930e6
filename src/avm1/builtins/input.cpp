// Key, Mouse and Stage: the keyboard, the pointer and the stage as scripts
// see them, each a broadcaster of its events.
#include "avm1/builtins/builtins.h"
#include "avm1/calls.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

Value is_down(Activation& act, const Value&, std::span<const Value> args) {
  return Value(act.machine().input.keys_down.count(act.to_int32(arg(args, 0))) > 0);
}

Value get_code(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.machine().input.last_code);
}

Value get_ascii(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.machine().input.last_ascii);
}

Value is_toggled(Activation&, const Value&, std::span<const Value>) { return Value(false); }

Value show_mouse(Activation&, const Value&, std::span<const Value>) { return Value(1); }

Value stage_width(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.machine().player().stage().width() / 20.0);
}

Value stage_height(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.machine().player().stage().height() / 20.0);
}

}  // namespace

void register_key(Realm& realm, Activation& act) {
  Object* key = act.new_object();
  make_broadcaster(act, key);
  define_method(act, key, "isDown", is_down);
  define_method(act, key, "getCode", get_code);
  define_method(act, key, "getAscii", get_ascii);
  define_method(act, key, "isToggled", is_toggled);
  const std::pair<const char*, int> codes[] = {
      {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40},
      {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},      {"INSERT", 45},
      {"LEFT", 37},     {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},     {"SHIFT", 16},
      {"SPACE", 32},    {"TAB", 9},       {"UP", 38}};
  for (const auto& [name, code] : codes) key->define(name, Value(code), attr::Fixed);
  realm.global->define("Key", Value(key), attr::DontEnum);
}

void register_mouse(Realm& realm, Activation& act) {
  Object* mouse = act.new_object();
  make_broadcaster(act, mouse);
  define_method(act, mouse, "show", show_mouse);
  define_method(act, mouse, "hide", show_mouse);
  realm.global->define("Mouse", Value(mouse), attr::DontEnum);
}

Value align_get(Activation& act, const Value&, std::span<const Value>) {
  return Value(String(act.machine().player().stage_layout().align));
}

// Keeps the letters L, T, R and B found in any case, written in that order.
Value align_set(Activation& act, const Value&, std::span<const Value> args) {
  std::string given = act.to_string(arg(args, 0)).str(), align;
  for (char side : std::string_view("LTRB"))
    if (given.find(side) != std::string::npos ||
        given.find(static_cast<char>(side - 'A' + 'a')) != std::string::npos)
      align += side;
  act.machine().player().stage_layout().align = align;
  return Value();
}

Value scale_mode_get(Activation& act, const Value&, std::span<const Value>) {
  return Value(String(act.machine().player().stage_layout().scale_mode));
}

// One of the four modes by name in any case; anything else shows all.
Value scale_mode_set(Activation& act, const Value&, std::span<const Value> args) {
  std::string given = act.to_string(arg(args, 0)).str(), mode = "showAll";
  for (const char* name : {"showAll", "exactFit", "noBorder", "noScale"})
    if (equals_folded(given, name)) mode = name;
  act.machine().player().stage_layout().scale_mode = mode;
  return Value();
}

Value display_state_get(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.machine().player().stage_layout().full_screen ? "fullScreen" : "normal");
}

// "normal" or "fullScreen" in any case; a change tells the listeners.
Value display_state_set(Activation& act, const Value& self, std::span<const Value> args) {
  std::string given = act.to_string(arg(args, 0)).str();
  bool full = equals_folded(given, "fullScreen");
  if (!full && !equals_folded(given, "normal")) return Value();
  bool& state = act.machine().player().stage_layout().full_screen;
  if (state == full) return Value();
  state = full;
  Value message[] = {Value("onFullScreen"), Value(full)};
  call_member(act, self, "broadcastMessage", message);
  return Value();
}

void register_stage(Realm& realm, Activation& act) {
  Object* stage = act.new_object();
  make_broadcaster(act, stage);
  define_property(act, stage, "width", stage_width);
  define_property(act, stage, "height", stage_height);
  define_property(act, stage, "scaleMode", scale_mode_get, scale_mode_set);
  define_property(act, stage, "align", align_get, align_set);
  define_property(act, stage, "displayState", display_state_get, display_state_set);
  stage->define("showMenu", Value(true), attr::DontEnum);
  realm.global->define("Stage", Value(stage), attr::DontEnum);
}

}  // namespace strandel::avm1
