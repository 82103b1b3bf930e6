// The `flash` package of version 8 movies (flash.geom, flash.filters,
// flash.display), and what its classes share.
#pragma once

#include <string_view>

#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class Object;

// _global.flash[name], made on first use.
Object* flash_package(Activation& act, std::string_view name);

// Whether `proto` is on the prototype chain of `value` (what instanceof
// asks of the constructor's prototype).
bool inherits_from(const Value& value, const Object* proto);

// The comparisons as the script actions make them on numbers: undefined
// when either side is NaN; `>=` is the negated `<`, so it is true then.
Value less(double a, double b);
Value greater_or_equal(double a, double b);
Value less_or_equal(double a, double b);
Value greater(double a, double b);

}  // namespace strandel::avm1
