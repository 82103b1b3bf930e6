// The toolkit's conversions between text and numbers. They accept the same
// texts whatever the user's locale: a decimal point, never a comma.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace strandel::platform {

// A decimal text as a double: blanks around it, an optional sign, digits with
// an optional fraction, an optional exponent. Anything else (the empty text,
// "nan", "inf", "12px") is error 13; a value beyond the double range is error 6.
double TextToDouble(std::string_view text);

// A double rounded to single precision; beyond the single range it is error 6.
float ToSingle(double value);

// A decimal text as a 32-bit integer, rounded half to even; error 13 for a
// text that is not a number, 6 for one outside the 32-bit range.
std::int32_t TextToLong(std::string_view text);

// The decimal text of a 32-bit integer.
std::string LongToText(std::int32_t value);

}  // namespace strandel::platform
