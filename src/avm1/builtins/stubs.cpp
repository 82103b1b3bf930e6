// Classes that exist so scripts using them run on: Button's prototype.
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void register_button(Realm& realm, Activation& act) {
  ClassBuilder button(act, {"Button", nothing});
  button.install(realm.global);
  button.prototype()->define("useHandCursor", Value(true), attr::Hidden);
  realm.button_proto = button.prototype();
}

}  // namespace strandel::avm1
