// Classes that exist so scripts using them run on: Button's prototype,
// Sound (made audible elsewhere), System.
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

void register_system(Realm& realm, Activation& act) {
  Object* system = act.new_object();
  Object* capabilities = act.new_object();
  system->define("capabilities", Value(capabilities), attr::DontEnum);
  realm.global->define("System", Value(system), attr::DontEnum);
}

}  // namespace strandel::avm1
