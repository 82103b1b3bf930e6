// Error: a message and a name, and toString giving the message.
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value error_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  if (!args.empty() && !args[0].is_undefined()) act.set(self, "message", args[0]);
  return Value();
}

Value error_call(Activation& act, const Value&, std::span<const Value> args) {
  return act.construct_class("Error", args);
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  return Value(act.to_string(act.get(self, "message")));
}

}  // namespace

void register_error(Realm& realm, Activation& act) {
  ClassBuilder error(act, {"Error", error_constructor, error_call});
  error.method("toString", to_string);
  error.prototype()->define("message", Value("Error"), attr::DontEnum);
  error.prototype()->define("name", Value("Error"), attr::DontEnum);
  error.install(realm.global);
}

}  // namespace strandel::avm1
