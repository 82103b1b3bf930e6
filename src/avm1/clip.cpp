#include "avm1/clip.h"

#include <optional>
#include <string>

#include "avm1/activation.h"
#include "avm1/builtins/builtins.h"
#include "avm1/display_properties.h"
#include "avm1/machine.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// Objects nested deeper than this are not given paths or searched.
constexpr int kMaxNesting = 64;

std::string dot_path(const swf::Player& player, const swf::DisplayObject& object) {
  std::string path;
  const swf::DisplayObject* at = &object;
  for (int n = 0; at->parent && n < kMaxNesting; ++n) {
    path = "." + at->name + path;
    at = at->parent;
  }
  bool level = at->depth > 0 && player.level(at->depth) == at;
  return "_level" + std::to_string(level ? at->depth : 0) + path;
}

// The level a path starts with ("_level3.a" -> 3, and the rest after it).
std::optional<int> path_level(std::string_view& path) {
  constexpr std::string_view prefix = "_level";
  if (path.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::size_t end = prefix.size();
  int level = 0;
  while (end < path.size() && path[end] >= '0' && path[end] <= '9' && level < 100000)
    level = level * 10 + (path[end++] - '0');
  if (end == prefix.size()) return std::nullopt;
  path.remove_prefix(end);
  return level;
}

swf::DisplayObject* child_named(swf::DisplayObject& parent, std::string_view name,
                                bool case_sensitive) {
  swf::DisplayList* list = parent.children();
  if (!list) return nullptr;
  for (const auto& [depth, child] : *list) {
    if (case_sensitive ? child->name == name : equals_folded(child->name, name)) return child.get();
  }
  return nullptr;
}

// The object at a dot path from the main timeline, if there is one.
swf::DisplayObject* find_path(swf::Player& player, std::string_view path, bool case_sensitive) {
  auto level = path_level(path);
  if (!level) return nullptr;
  swf::DisplayObject* at = player.level(*level);
  while (at && !path.empty()) {
    path.remove_prefix(1);  // the dot
    auto dot = path.find('.');
    at = child_named(*at, path.substr(0, dot), case_sensitive);
    if (dot == std::string_view::npos) break;
    path.remove_prefix(dot);
  }
  return at;
}

}  // namespace

ClipObject::ClipObject(Object* proto, swf::Player& player,
                       const std::shared_ptr<swf::DisplayObject>& object)
    : Object(proto),
      player_(player),
      object_(object),
      display_(object.get()),
      path_(dot_path(player, *object)),
      is_clip_(object->is_clip()) {}

std::string_view ClipObject::type_of() const { return is_clip_ ? "movieclip" : "object"; }

bool ClipObject::removed() const { return object_.expired() || display_->removed; }

std::shared_ptr<swf::DisplayObject> ClipObject::object_shared() {
  if (auto live = object_.lock(); live && !live->removed) {
    path_ = dot_path(player_, *live);
    return live;
  }
  swf::DisplayObject* found = find_path(player_, path_, false);
  return found ? found->shared_from_this() : nullptr;
}

swf::DisplayObject* ClipObject::object() { return object_shared().get(); }

Object* ClipObject::redirect(Activation& act) {
  if (!removed()) return this;
  swf::DisplayObject* found = find_path(player_, path_, act.case_sensitive());
  if (!found) return this;
  ClipObject* other = clip_object(act.machine(), *found);
  return other ? other : this;
}

Object* ClipObject::scope_values(Activation& act) {
  Object* to = redirect(act);
  if (to != this || !removed()) return to;
  Object* root = clip_level(act, 0);
  return root ? root : this;
}

String ClipObject::path(bool slash_syntax) {
  object_shared();
  if (!slash_syntax) return String(path_);
  std::string_view rest = path_;
  auto level = path_level(rest);
  // Slash paths of other levels start with the level's name.
  std::string slash = level && *level != 0 ? "_level" + std::to_string(*level) : "";
  for (char c : rest) slash.push_back(c == '.' ? '/' : c);
  return String(slash.empty() ? "/" : slash);
}

bool ClipObject::get_builtin(Activation& act, const String& name, Value& out) {
  std::string_view n = name.view();
  if (!n.empty() && n[0] == '_') {
    if (auto index = display_property_index(name)) {
      out = get_display_property(act, *this, *index);
      return true;
    }
    if (is_clip_ && equals_folded(n, "_lockroot")) {
      swf::DisplayObject* o = object();
      out = o ? Value(o->lock_root) : Value();
      return true;
    }
    if (equals_folded(n, "_root")) {
      out = clip_root(act, this);
      return true;
    }
    if (equals_folded(n, "_parent")) {
      out = clip_parent(act, this);
      return !out.is_undefined();
    }
    if (equals_folded(n, "_global") && act.version() >= 6) {
      out = Value(act.global());
      return true;
    }
    // Level names keep their case from version 7, unlike the properties.
    bool level_name =
        act.case_sensitive() ? n.substr(0, 6) == "_level" : equals_folded(n.substr(0, 6), "_level");
    if (n.size() > 6 && level_name) {
      int level = 0;
      for (char c : n.substr(6)) {
        if (c < '0' || c > '9' || level > 100000) return false;
        level = level * 10 + (c - '0');
      }
      out = Value(clip_level(act, level));
      return !out.is_undefined();
    }
  }
  if (Object* child = clip_child(act, this, name)) {
    out = Value(child);
    return true;
  }
  return false;
}

bool ClipObject::set_builtin(Activation& act, const String& name, const Value& value) {
  std::string_view n = name.view();
  if (n.empty() || n[0] != '_') return false;
  if (is_clip_ && equals_folded(n, "_lockroot")) {
    if (swf::DisplayObject* o = object()) o->lock_root = act.to_boolean(value);
    return true;
  }
  auto index = display_property_index(name);
  if (!index) return false;
  set_display_property(act, *this, *index, value);
  return true;
}

void ClipObject::enumerate_builtin(Activation&, std::vector<String>& names) {
  swf::DisplayObject* o = object();
  swf::DisplayList* list = o ? o->children() : nullptr;
  if (!list) return;
  for (const auto& [depth, child] : *list)
    if (!child->name.empty() && child->kind != swf::DisplayKind::Graphic)
      names.emplace_back(child->name);
}

Value ClipObject::default_value(Activation&) { return Value(this); }

// A clip gone with nothing at its path converts to an empty string, except
// in its own unload handler.
String ClipObject::default_string(Activation&) {
  if (object()) return path(false);
  auto live = object_.lock();
  return live && live.get() == player_.machine().unloading ? path(false) : String();
}

Object* registered_class(Machine& machine, const swf::DisplayObject& object) {
  if (object.kind != swf::DisplayKind::MovieClip || object.character_id == 0) return nullptr;
  // The name is looked up among the exports of the movie the clip is from.
  const swf::DisplayObject& from = object.parent ? *object.parent : object;
  for (const auto& [name, ctor] : machine.realm().registered_classes)
    if (machine.player().exported_character(from, name) == object.character_id) return ctor;
  return nullptr;
}

void construct_registered(Activation& act, ClipObject* clip) {
  swf::DisplayObject* o = clip->object();
  Object* ctor = o ? registered_class(act.machine(), *o) : nullptr;
  if (!ctor) return;
  Property* p = ctor->own_property("prototype");
  if (p && p->value.object() && clip->proto() != p->value.object())
    clip->set_proto(p->value.object());
  clip->define("__constructor__", Value(ctor), attr::DontEnum);
  if (act.version() < 7) clip->define("constructor", Value(ctor), attr::DontEnum);
  act.call(Value(ctor), Value(clip), {});
}

ClipObject* clip_object(Machine& machine, swf::DisplayObject& object) {
  if (auto* existing = dynamic_cast<ClipObject*>(object.script)) return existing;
  Realm& realm = machine.realm();
  Object* proto = object.kind == swf::DisplayKind::Button     ? realm.button_proto
                  : object.kind == swf::DisplayKind::EditText ? realm.text_field_proto
                  : object.kind == swf::DisplayKind::Video    ? realm.prototype("Video")
                                                              : realm.movie_clip_proto;
  if (!realm.registered_classes.empty()) {
    if (Object* ctor = registered_class(machine, object)) {
      Property* p = ctor->own_property("prototype");
      if (p && p->value.object()) proto = p->value.object();
    }
  }
  auto* made = machine.heap().make<ClipObject>(proto, machine.player(), object.shared_from_this());
  object.script = made;
  if (object.kind == swf::DisplayKind::EditText)
    machine.run_native([made](Activation& act) { init_text_field_object(act, made); });
  return made;
}

ClipObject* clip_object(Machine& machine, const std::shared_ptr<swf::DisplayObject>& object) {
  return object ? clip_object(machine, *object) : nullptr;
}

ClipObject* as_clip(const Value& v) { return dynamic_cast<ClipObject*>(v.object()); }

swf::DisplayObject* display_object(const Value& v) {
  ClipObject* c = as_clip(v);
  return c ? c->object() : nullptr;
}

// The root of the level the clip is in.
Value clip_root(Activation& act, Object* clip) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  swf::DisplayObject* at = c ? c->object() : nullptr;
  for (int n = 0; at && at->parent && n < kMaxNesting; ++n) {
    if (at->lock_root) return Value(clip_object(act.machine(), *at));
    at = at->parent;
  }
  swf::Player& player = act.machine().player();
  if (!at || at->depth <= 0 || player.level(at->depth) != at) at = player.root().get();
  return Value(clip_object(act.machine(), *at));
}

Value clip_parent(Activation& act, Object* clip) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  swf::DisplayObject* o = c ? c->object() : nullptr;
  if (!o || !o->parent) return Value();
  return Value(clip_object(act.machine(), *o->parent));
}

Object* clip_child(Activation& act, Object* clip, const String& name) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  swf::DisplayObject* o = c ? c->object() : nullptr;
  if (!o) return nullptr;
  swf::DisplayObject* child = child_named(*o, name.view(), act.case_sensitive());
  if (!child || child->kind == swf::DisplayKind::Graphic) return nullptr;
  return clip_object(act.machine(), *child);
}

Object* clip_level(Activation& act, int level) {
  swf::DisplayObject* at = act.machine().player().level(level);
  return at ? clip_object(act.machine(), *at) : nullptr;
}

}  // namespace strandel::avm1
