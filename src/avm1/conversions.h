// Every conversion between script values, as the vendor's player makes them
// for the version of the code that runs:
// - to number: undefined and null are 0 before version 7 and NaN after;
//   strings may have leading blanks; from version 6 "0x1A" is hexadecimal and
//   "010" octal; version 4 reads the longest leading number ("150a" is 150,
//   "ab" is 0); an empty string is NaN from version 5.
// - to string: numbers with 15 significant digits, exponent form as
//   "1e+21" and "1e-7"; undefined is "" before version 7.
// - to boolean: strings are true when they read as a non-zero number before
//   version 7, when non-empty after.
// - to primitive: valueOf, then toString; a clip is its target path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class Object;

enum class Hint { Number, String };

double to_number(Activation& act, const Value& v);
String to_string(Activation& act, const Value& v);
bool to_boolean(const Value& v, int version);
Value to_primitive(Activation& act, const Value& v, Hint hint = Hint::Number);
// ToInt32: wraps modulo 2^32; NaN and infinities are 0.
std::int32_t to_int32(Activation& act, const Value& v);
std::uint32_t to_uint32(Activation& act, const Value& v);
std::int32_t double_to_int32(double d);
// ToInteger: truncated toward zero; NaN is 0.
double to_integer(Activation& act, const Value& v);
// A primitive made an object (String, Number, Boolean wrappers); null for
// undefined and null.
Object* to_object(Activation& act, const Value& v);

String number_to_string(double d);
// Number.toString(radix) for radix 2..36 (other than 10).
std::string number_to_radix_string(double d, int radix);
double string_to_number(std::string_view s, int version);
// The name typeof gives.
std::string_view type_of(const Value& v);

// Equality of the Equals2 action (==), with the version's conversions.
bool loosely_equal(Activation& act, const Value& a, const Value& b);
// StrictEquals (===): same type and value; objects by identity.
bool strictly_equal(const Value& a, const Value& b);
// The Less2 comparison: true, false, or undefined when a NaN is involved.
Value less_than(Activation& act, const Value& a, const Value& b);

}  // namespace strandel::avm1
