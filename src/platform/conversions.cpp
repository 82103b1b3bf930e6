#include "platform/conversions.h"

#include <cerrno>
#include <clocale>
#include <locale.h>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/runtime_error.h"

namespace strandel::platform {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Checks the number grammar and returns the text without its blanks.
std::string_view number_body(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  std::string_view body = text;
  std::size_t i = (!body.empty() && (body.front() == '-' || body.front() == '+')) ? 1 : 0;
  std::size_t digits = 0;
  while (i < body.size() && is_digit(body[i])) ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && is_digit(body[i])) ++i, ++digits;
  }
  if (digits == 0) return {};
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < body.size() && is_digit(body[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return {};
  }
  if (i != body.size()) return {};
  return body;
}

}  // namespace

double TextToDouble(std::string_view text) {
  std::string body(number_body(text));
  if (body.empty()) throw RuntimeError(ErrorNumber::TypeMismatch, "not a number: " + quoted(text));
  // strtod_l in the C locale: a decimal point whatever the user's locale.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  errno = 0;
  double value = strtod_l(body.c_str(), nullptr, c_locale);
  if (errno == ERANGE && std::isinf(value))
    throw RuntimeError(ErrorNumber::Overflow, "number too large: " + quoted(text));
  return value;  // an underflow gives 0 or a denormal, which is what the text means
}

float ToSingle(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
    throw RuntimeError(ErrorNumber::Overflow, "value out of single-precision range");
  return static_cast<float>(value);
}

std::int32_t TextToLong(std::string_view text) {
  double value = std::nearbyint(TextToDouble(text));  // the default rounding is half to even
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    throw RuntimeError(ErrorNumber::Overflow, "number out of 32-bit range: " + quoted(text));
  return static_cast<std::int32_t>(value);
}

std::string LongToText(std::int32_t value) { return std::to_string(value); }

}  // namespace strandel::platform
