#include "avm1/calls.h"

#include "avm1/activation.h"
#include "avm1/function.h"
#include "avm1/machine.h"
#include "avm1/super.h"

namespace strandel::avm1 {

namespace {

// Finds a property along the prototype chain, remembering which object had it.
Value find_method(Activation& act, Object* object, const String& name, Object*& found_on) {
  found_on = nullptr;
  Object* o = object;
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto()) {
    if (Property* p = o->own_property(name, act.case_sensitive());
        p && visible_to(p->attributes, act.version())) {
      found_on = o;
      break;
    }
  }
  return object->get(act, name);
}

Value invoke(Activation& act, const Value& fn, const Value& this_value, std::span<const Value> args,
             Object* found_on) {
  if (auto* script = dynamic_cast<ScriptFunction*>(fn.object()))
    return script->call_with(act, this_value, args, found_on, false);
  return act.call(fn, this_value, args);
}

}  // namespace

Value call_member(Activation& act, const Value& object, const String& name,
                  std::span<const Value> args) {
  if (auto* super = dynamic_cast<SuperObject*>(object.object())) {
    // super.m(): found above the home, run on the original object.
    Object* found_on = nullptr;
    Value fn = super->proto() ? find_method(act, super->proto(), name, found_on) : Value();
    return invoke(act, fn, Value(super->self()), args, found_on);
  }
  Object* o = act.to_object(object);
  if (!o) return Value();
  Object* found_on = nullptr;
  Value fn = find_method(act, o, name, found_on);
  // A method called on a primitive sees the primitive's wrapper as `this`.
  return invoke(act, fn, Value(o), args, found_on);
}

// A primitive is made an object first (which scripts can see), then found
// not to be a function.
Value call_value_as_function(Activation& act, const Value& function, std::span<const Value> args) {
  if (!function.is_object() && !function.is_nullish()) {
    act.to_object(function);
    return Value();
  }
  return act.call(function, act.this_value, args);
}

Value SuperObject::call(Activation& act, const Value&, std::span<const Value> args) {
  Value ctor = home_->get(act, "__constructor__");
  if (auto* script = dynamic_cast<ScriptFunction*>(ctor.object()))
    return script->call_with(act, Value(self_), args, home_->proto(), true);
  if (auto* native = dynamic_cast<NativeFunction*>(ctor.object()))
    return native->initialise(act, Value(self_), args);
  return Value();
}

}  // namespace strandel::avm1
