// Variables by name, as GetVariable and SetVariable see them: a plain name
// is looked up along the scope chain; a name with a path ("/a/b:x", "a.b.x",
// "_root.x", "../x") names a variable of the clip the path leads to.
#pragma once

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class Object;

Value get_variable(Activation& act, const String& name);
void set_variable(Activation& act, const String& name, const Value& value);
// The object a plain name lives on in the scope chain, or null.
Object* find_variable_owner(Activation& act, const String& name);

// The clip a target path names, from `start` (the activation's target when
// null): slash syntax ("/a/b", "../c", "/"), dot syntax ("_root.a.b",
// "_parent._parent", "a.b"), and "_levelN". Null when nothing is there.
Object* resolve_target(Activation& act, const String& path, Object* start = nullptr);
// The path in the other direction: "_level0.a.b" for dot syntax, "/a/b" for
// slash syntax.
String target_path(Object* clip, bool slash_syntax);

}  // namespace strandel::avm1
