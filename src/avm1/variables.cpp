#include "avm1/variables.h"

#include <string_view>

#include "avm1/activation.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/object.h"
#include "avm1/scope.h"

namespace strandel::avm1 {

namespace {

// Path segments a script may chain in one name.
constexpr int kMaxPathSegments = 256;

bool is_name(Activation& act, std::string_view a, std::string_view b) {
  return act.case_sensitive() ? a == b : equals_folded(a, b);
}

// "_level7" → 7; -1 when the segment is not a level.
int level_number(Activation& act, std::string_view s) {
  constexpr std::string_view prefix = "_level";
  if (s.size() <= prefix.size() || !is_name(act, s.substr(0, prefix.size()), prefix)) return -1;
  int n = 0;
  for (char c : s.substr(prefix.size())) {
    if (c < '0' || c > '9' || n > 100000) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// A plain name along the scope chain.
// `this` is a variable like the others: a function keeps it among its locals
// (unless DefineFunction2 puts it in a register or leaves it out), so a
// script may assign it. When no scope has one, outside functions the running
// `this` answers; inside them, from version 6, the timeline the function
// belongs to.
// A timeline's scope reads from the clip as the clip's script object says.
Object* scope_values(Activation& act, Scope* s) {
  if (s->kind != Scope::Kind::Target) return s->values;
  auto* clip = dynamic_cast<ClipObject*>(s->values);
  return clip ? clip->scope_values(act) : s->values;
}

bool lookup_scopes(Activation& act, const String& name, Value& out) {
  std::string_view n = name.view();
  if (act.version() >= 6 && is_name(act, n, "_global")) {
    out = Value(act.global());
    return true;
  }
  for (Scope* s = act.scope; s; s = s->parent) {
    // Version 4 scripts have timeline variables only: no globals.
    if (s->kind == Scope::Kind::Global && act.version() < 5) break;
    if (s->values && scope_values(act, s)->lookup(act, name, out)) return true;
  }
  if (act.super_object && is_name(act, n, "super")) {
    out = Value(act.super_object);
    return true;
  }
  if (is_name(act, n, "this")) {
    if (!act.callee) {
      out = act.this_value;
      return true;
    }
    if (act.version() >= 6) {
      out = Value(act.base_clip ? act.base_clip : act.target);
      return true;
    }
  }
  return false;
}

// One segment of a path, from `from`.
Object* step(Activation& act, Object* from, std::string_view segment) {
  if (segment.empty()) return from;
  if (segment == "..") return clip_parent(act, from).object();
  if (int level = level_number(act, segment); level >= 0) return clip_level(act, level);
  Value v = from->get(act, String(segment));
  return v.object();
}

Object* resolve_slash(Activation& act, std::string_view path, Object* start) {
  Object* at = start;
  if (!path.empty() && path[0] == '/') {
    at = clip_root(act, start).object();
    path.remove_prefix(1);
  }
  for (int n = 0; at && !path.empty() && n < kMaxPathSegments; ++n) {
    auto slash = path.find('/');
    std::string_view segment = path.substr(0, slash);
    if (segment.empty() && slash != std::string_view::npos) return nullptr;  // "a//b"
    at = step(act, at, segment);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return at;
}

Object* resolve_dots(Activation& act, std::string_view path, Object* start) {
  Object* at = nullptr;
  bool first = true;
  for (int n = 0; !path.empty() && n < kMaxPathSegments; ++n) {
    auto dot = path.find('.');
    std::string_view segment = path.substr(0, dot);
    if (first) {
      first = false;
      if (int level = level_number(act, segment); level >= 0) {
        at = clip_level(act, level);
      } else {
        Value v;
        String name(segment);
        if (start && start->lookup(act, name, v))
          at = v.object();
        else if (lookup_scopes(act, name, v))
          at = v.object();
      }
    } else {
      at = at ? step(act, at, segment) : nullptr;
    }
    if (!at || dot == std::string_view::npos) break;
    path.remove_prefix(dot + 1);
  }
  return at;
}

// Splits "path:var" or "a.b.var" into the target path and the variable; false
// for a plain name.
bool split_variable_path(std::string_view name, std::string_view& path, std::string_view& var) {
  if (auto colon = name.rfind(':'); colon != std::string_view::npos) {
    path = name.substr(0, colon);
    var = name.substr(colon + 1);
    return true;
  }
  if (name.find('/') != std::string_view::npos) return false;
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return false;
  path = name.substr(0, dot);
  var = name.substr(dot + 1);
  return true;
}

}  // namespace

Object* resolve_target(Activation& act, const String& path, Object* start) {
  if (!start) start = act.target;
  std::string_view p = path.view();
  if (p.empty()) return start;
  if (p.find('/') != std::string_view::npos || p == "..")
    return start ? resolve_slash(act, p, start) : nullptr;
  return resolve_dots(act, p, start);
}

Value get_variable(Activation& act, const String& name) {
  std::string_view path, var;
  if (name.may_be_path()) {
    if (split_variable_path(name.view(), path, var)) {
      Object* target = resolve_target(act, String(path));
      return target ? target->get(act, String(var)) : Value();
    }
    // A bare slash path names a clip.
    if (name.view().find('/') != std::string_view::npos) return Value(resolve_target(act, name));
  }
  Value out;
  if (lookup_scopes(act, name, out)) return out;
  return Value();
}

void set_variable(Activation& act, const String& name, const Value& value) {
  std::string_view path, var;
  if (name.may_be_path() && split_variable_path(name.view(), path, var)) {
    if (Object* target = resolve_target(act, String(path))) target->set(act, String(var), value);
    return;
  }
  for (Scope* s = act.scope; s; s = s->parent) {
    if (!s->values) continue;
    if (s->kind == Scope::Kind::Target || s->kind == Scope::Kind::Global || !s->parent ||
        s->values->has_property(act, name)) {
      scope_values(act, s)->set(act, name, value);
      return;
    }
  }
}

Object* find_variable_owner(Activation& act, const String& name) {
  for (Scope* s = act.scope; s; s = s->parent)
    if (s->values && s->values->has_property(act, name)) return s->values;
  return nullptr;
}

String target_path(Object* clip, bool slash_syntax) {
  auto* c = dynamic_cast<ClipObject*>(clip);
  if (!c) return String();
  return c->path(slash_syntax);
}

}  // namespace strandel::avm1
