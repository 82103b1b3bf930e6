// Number: the wrapper class, toString with a radix, and the constants.
#include <cmath>
#include <limits>

#include "avm1/boxed.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Object* allocate_number(Activation& act, Object* proto) {
  return act.heap().make<BoxedValue>(proto, Value(0));
}

double self_number(Activation& act, const Value& self) {
  if (auto* boxed = this_as<BoxedValue>(self); boxed && boxed->value().is_number())
    return boxed->value().number();
  return act.to_number(self);
}

Value number_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  if (auto* boxed = this_as<BoxedValue>(self))
    boxed->set_value(Value(args.empty() ? 0.0 : act.to_number(args[0])));
  return Value();
}

Value number_call(Activation& act, const Value&, std::span<const Value> args) {
  return Value(args.empty() ? 0.0 : act.to_number(args[0]));
}

Value to_string(Activation& act, const Value& self, std::span<const Value> args) {
  double n = self_number(act, self);
  int radix = args.empty() || args[0].is_undefined() ? 10 : act.to_int32(args[0]);
  if (radix < 2 || radix > 36 || radix == 10) return Value(number_to_string(n));
  return Value(String(number_to_radix_string(n, radix)));
}

Value value_of(Activation& act, const Value& self, std::span<const Value>) {
  return Value(self_number(act, self));
}

}  // namespace

void register_number(Realm& realm, Activation& act) {
  ClassBuilder number(act, {"Number", number_constructor, number_call, allocate_number});
  number.method("toString", to_string)
      .method("valueOf", value_of)
      .constant("MAX_VALUE", Value(std::numeric_limits<double>::max()))
      .constant("MIN_VALUE", Value(std::numeric_limits<double>::denorm_min()))
      .constant("NaN", Value(std::numeric_limits<double>::quiet_NaN()))
      .constant("NEGATIVE_INFINITY", Value(-std::numeric_limits<double>::infinity()))
      .constant("POSITIVE_INFINITY", Value(std::numeric_limits<double>::infinity()));
  number.install(realm.global);
  realm.number_proto = number.prototype();
  realm.number_ctor = number.constructor();
}

}  // namespace strandel::avm1
