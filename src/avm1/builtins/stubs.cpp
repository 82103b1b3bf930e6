// Classes that exist so scripts using them run on: Button's prototype,
// Sound (made audible elsewhere).
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
  realm.button_proto = button.prototype();
}

void register_sound(Realm& realm, Activation& act) {
  ClassBuilder sound(act, {"Sound", nothing});
  sound.install(realm.global);
}

}  // namespace strandel::avm1
