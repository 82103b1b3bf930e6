// Function: call and apply, on every function's prototype.
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// Arguments apply() takes from an array-like object at most.
constexpr double kMaxApplyArguments = 65535;

Value function_constructor(Activation& act, const Value& self, std::span<const Value>) {
  return self.is_object() ? self : Value(act.new_object());
}

// The `this` a call() or apply() gives: null and undefined leave it
// undefined, a primitive is made an object.
Value this_argument(Activation& act, std::span<const Value> args) {
  const Value& v = arg(args, 0);
  if (v.is_nullish()) return Value();
  if (v.is_object()) return v;
  Object* boxed = act.to_object(v);
  return boxed ? Value(boxed) : Value();
}

Value call(Activation& act, const Value& self, std::span<const Value> args) {
  std::span<const Value> rest = args.empty() ? args : args.subspan(1);
  return act.call(self, this_argument(act, args), rest);
}

Value apply(Activation& act, const Value& self, std::span<const Value> args) {
  std::vector<Value> list;
  if (Object* array = arg(args, 1).object()) {
    double n = act.to_number(array->get(act, "length"));
    if (n > kMaxApplyArguments) n = kMaxApplyArguments;
    for (int i = 0; i < n; ++i) list.push_back(array->get(act, String(std::to_string(i))));
  }
  return act.call(self, this_argument(act, args), list);
}

}  // namespace

void register_function(Realm& realm, Activation& act) {
  ClassBuilder function(act, {"Function", function_constructor});
  Object* proto = realm.function_proto;
  proto->define("constructor", Value(function.constructor()), attr::DontEnum);
  function.constructor()->define("prototype", Value(proto), attr::Hidden);
  define_method(act, proto, "call", call);
  define_method(act, proto, "apply", apply);
  realm.global->define("Function", Value(function.constructor()), attr::DontEnum);
  realm.function_ctor = function.constructor();
  realm.prototypes["Function"] = proto;
}

}  // namespace strandel::avm1
