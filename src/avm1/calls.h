// Calls as the call actions make them.
#pragma once

#include <span>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;

// object.name(args): the method is found on the object (a primitive is
// boxed first) and called with the object as `this`. A script method learns
// which prototype it was found on, so `super` inside it starts above that.
Value call_member(Activation& act, const Value& object, const String& name,
                  std::span<const Value> args);
// A call of a value itself (CallMethod with an empty name): `super(...)`
// calls the superclass constructor on the current object.
Value call_value_as_function(Activation& act, const Value& function, std::span<const Value> args);

}  // namespace strandel::avm1
