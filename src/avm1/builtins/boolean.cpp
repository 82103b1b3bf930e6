// Boolean: the wrapper class.
#include "avm1/boxed.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Object* allocate_boolean(Activation& act, Object* proto) {
  return act.heap().make<BoxedValue>(proto, Value(false));
}

bool self_boolean(Activation& act, const Value& self) {
  if (auto* boxed = this_as<BoxedValue>(self); boxed && boxed->value().is_boolean())
    return boxed->value().boolean();
  return act.to_boolean(self);
}

Value boolean_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  if (auto* boxed = this_as<BoxedValue>(self))
    boxed->set_value(Value(!args.empty() && act.to_boolean(args[0])));
  return Value();
}

// Boolean(x) converts; Boolean() alone gives undefined.
Value boolean_call(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value();
  return Value(act.to_boolean(args[0]));
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  return Value(self_boolean(act, self) ? "true" : "false");
}

Value value_of(Activation& act, const Value& self, std::span<const Value>) {
  return Value(self_boolean(act, self));
}

}  // namespace

void register_boolean(Realm& realm, Activation& act) {
  ClassBuilder boolean(act, {"Boolean", boolean_constructor, boolean_call, allocate_boolean});
  boolean.method("toString", to_string).method("valueOf", value_of);
  boolean.install(realm.global);
  realm.boolean_proto = boolean.prototype();
  realm.boolean_ctor = boolean.constructor();
}

}  // namespace strandel::avm1
