#include "avm1/clip.h"

#include "avm1/activation.h"
#include "avm1/display_properties.h"
#include "avm1/machine.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// Clips nested deeper than this are not given paths or searched.
constexpr int kMaxClipNesting = 64;

std::string dot_path(const swf::SpriteInstance& clip) {
  std::string path;
  const swf::SpriteInstance* at = &clip;
  for (int n = 0; n < kMaxClipNesting; ++n) {
    auto parent = at->parent.lock();
    if (!parent) break;
    path = "." + at->name + path;
    at = parent.get();
  }
  return "_level0" + path;
}

}  // namespace

ClipObject::ClipObject(Object* proto, swf::Player& player,
                       const std::shared_ptr<swf::SpriteInstance>& clip)
    : Object(proto), player_(player), clip_(clip), path_(dot_path(*clip)) {}

bool ClipObject::removed() const { return clip_.expired(); }

std::shared_ptr<swf::SpriteInstance> ClipObject::clip_shared() {
  if (auto live = clip_.lock()) {
    path_ = dot_path(*live);
    return live;
  }
  return nullptr;
}

swf::SpriteInstance* ClipObject::clip() { return clip_shared().get(); }

String ClipObject::path(bool slash_syntax) {
  clip_shared();
  if (!slash_syntax) return String(path_);
  std::string slash = path_.substr(std::string_view("_level0").size());
  for (char& c : slash)
    if (c == '.') c = '/';
  return String(slash.empty() ? "/" : slash);
}

bool ClipObject::get_builtin(Activation& act, const String& name, Value& out) {
  if (Object* child = clip_child(act, this, name)) {
    out = Value(child);
    return true;
  }
  std::string_view n = name.view();
  if (n.empty() || n[0] != '_') return false;
  if (auto index = display_property_index(name)) {
    out = get_display_property(act, *this, *index);
    return true;
  }
  if (equals_folded(n, "_root")) {
    out = clip_root(act, this);
    return true;
  }
  if (equals_folded(n, "_parent")) {
    out = clip_parent(act, this);
    return true;
  }
  if (n.size() > 6 && equals_folded(n.substr(0, 6), "_level")) {
    int level = 0;
    for (char c : n.substr(6)) {
      if (c < '0' || c > '9' || level > 100000) return false;
      level = level * 10 + (c - '0');
    }
    out = Value(clip_level(act, level));
    return true;
  }
  return false;
}

bool ClipObject::set_builtin(Activation& act, const String& name, const Value& value) {
  std::string_view n = name.view();
  if (n.empty() || n[0] != '_') return false;
  auto index = display_property_index(name);
  if (!index) return false;
  set_display_property(act, *this, *index, value);
  return true;
}

void ClipObject::enumerate_builtin(Activation&, std::vector<String>& names) {
  swf::SpriteInstance* c = clip();
  if (!c) return;
  for (const auto& [depth, placed] : c->display_list)
    if (placed.sprite && !placed.name.empty()) names.emplace_back(placed.name);
}

Value ClipObject::default_value(Activation&) { return Value(this); }

String ClipObject::default_string(Activation&) { return path(false); }

ClipObject* clip_object(Machine& machine, const std::shared_ptr<swf::SpriteInstance>& clip) {
  if (!clip) return nullptr;
  if (auto* existing = dynamic_cast<ClipObject*>(clip->script)) return existing;
  auto* made =
      machine.heap().make<ClipObject>(machine.realm().movie_clip_proto, machine.player(), clip);
  clip->script = made;
  return made;
}

ClipObject* as_clip(const Value& v) { return dynamic_cast<ClipObject*>(v.object()); }

Value clip_root(Activation& act, Object* clip) {
  (void)clip;
  return Value(clip_object(act.machine(), act.machine().player().root()));
}

Value clip_parent(Activation& act, Object* clip) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  swf::SpriteInstance* instance = c ? c->clip() : nullptr;
  if (!instance) return Value();
  auto parent = instance->parent.lock();
  if (!parent) return Value();
  return Value(clip_object(act.machine(), parent));
}

Object* clip_child(Activation& act, Object* clip, const String& name) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  swf::SpriteInstance* instance = c ? c->clip() : nullptr;
  if (!instance) return nullptr;
  for (const auto& [depth, placed] : instance->display_list) {
    if (!placed.sprite) continue;
    if (act.case_sensitive() ? placed.name == name.view() : equals_folded(placed.name, name.view()))
      return clip_object(act.machine(), placed.sprite);
  }
  return nullptr;
}

Object* clip_level(Activation& act, int level) {
  if (level != 0) return nullptr;
  return clip_object(act.machine(), act.machine().player().root());
}

}  // namespace strandel::avm1
