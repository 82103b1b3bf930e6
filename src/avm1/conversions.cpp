#include "avm1/conversions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <tuple>

#include "avm1/activation.h"
#include "avm1/boxed.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/object.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }
int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The longest decimal number at the start of s ([sign] digits [. digits]
// [e [sign] digits]); `length` is 0 when there is none.
double read_decimal(std::string_view s, std::size_t& length) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) {
    length = 0;
    return 0;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && is_digit(s[j])) {
      while (j < s.size() && is_digit(s[j])) ++j;
      i = j;
    }
  }
  length = i;
  std::string text(s.substr(0, i));
  return std::strtod(text.c_str(), nullptr);
}

// "0x1F" (from version 6): the digits wrap as a 32-bit integer.
bool read_hex(std::string_view s, double& out) {
  bool negative = false;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (s.size() < i + 3 || s[i] != '0' || (s[i + 1] != 'x' && s[i + 1] != 'X')) return false;
  i += 2;
  std::uint32_t n = 0;
  for (; i < s.size(); ++i) {
    int d = hex_digit(s[i]);
    if (d < 0) {
      out = kNaN;
      return true;
    }
    n = n * 16 + static_cast<std::uint32_t>(d);
  }
  double v = static_cast<std::int32_t>(n);
  out = negative ? -v : v;
  return true;
}

// "017" (from version 6): octal when every digit is below 8.
bool read_octal(std::string_view s, double& out) {
  bool negative = false;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (s.size() < i + 2 || s[i] != '0') return false;
  std::uint32_t n = 0;
  for (std::size_t k = i; k < s.size(); ++k) {
    if (s[k] < '0' || s[k] > '7') return false;
    n = n * 8 + static_cast<std::uint32_t>(s[k] - '0');
  }
  double v = static_cast<std::int32_t>(n);
  out = negative ? -v : v;
  return true;
}

}  // namespace

double string_to_number(std::string_view s, int version) {
  if (version <= 4) {
    std::size_t i = 0;
    while (i < s.size() && is_blank(s[i])) ++i;
    std::size_t length = 0;
    double v = read_decimal(s.substr(i), length);
    return length ? v : 0;
  }
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  std::string_view rest = s.substr(i);
  if (rest.empty()) return kNaN;
  double v = 0;
  // Blanks before "010" make it decimal; a sign alone does not.
  if (version >= 6 && (read_hex(rest, v) || (i == 0 && read_octal(rest, v)))) return v;
  std::size_t length = 0;
  v = read_decimal(rest, length);
  if (length == 0 || length != rest.size()) return kNaN;
  return v;
}

String number_to_string(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  if (d == 0) return "0";
  if (std::fabs(d) < 2147483648.0 && d == std::trunc(d)) {
    char b[16];
    std::snprintf(b, sizeof b, "%ld", static_cast<long>(d));
    return b;
  }
  char b[40];
  std::snprintf(b, sizeof b, "%.15g", d);
  // "1e-07" and "1e+21" become "1e-7" and "1e+21": no padded exponent.
  std::string text(b);
  if (auto e = text.find('e'); e != std::string::npos && e + 2 < text.size()) {
    std::size_t digits = e + 2;
    while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
  }
  return String(text);
}

std::string number_to_radix_string(double d, int radix) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  // The vendor's player converts through a 32-bit integer here.
  std::int32_t n = double_to_int32(d);
  bool negative = n < 0;
  std::uint32_t u = negative ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(n))
                             : static_cast<std::uint32_t>(n);
  std::string digits;
  do {
    unsigned r = u % static_cast<unsigned>(radix);
    digits.insert(digits.begin(), static_cast<char>(r < 10 ? '0' + r : 'a' + r - 10));
    u /= static_cast<unsigned>(radix);
  } while (u);
  if (negative) digits.insert(digits.begin(), '-');
  return digits;
}

double to_number(Activation& act, const Value& v) {
  switch (v.type()) {
    case Type::Undefined:
    case Type::Null:
      return act.version() >= 7 ? kNaN : 0;
    case Type::Boolean:
      return v.boolean() ? 1 : 0;
    case Type::Number:
      return v.number();
    case Type::String:
      return string_to_number(v.string().view(), act.version());
    case Type::Object: {
      Value p = to_primitive(act, v, Hint::Number);
      return p.is_object() ? kNaN : to_number(act, p);
    }
  }
  return kNaN;
}

String to_string(Activation& act, const Value& v) {
  switch (v.type()) {
    case Type::Undefined:
      return act.version() >= 7 ? "undefined" : "";
    case Type::Null:
      return "null";
    case Type::Boolean:
      return v.boolean() ? "true" : "false";
    case Type::Number:
      return number_to_string(v.number());
    case Type::String:
      return v.string();
    case Type::Object:
      return v.object()->default_string(act);
  }
  return "";
}

bool to_boolean(const Value& v, int version) {
  switch (v.type()) {
    case Type::Undefined:
    case Type::Null:
      return false;
    case Type::Boolean:
      return v.boolean();
    case Type::Number:
      return !std::isnan(v.number()) && v.number() != 0;
    case Type::String: {
      if (version >= 7) return !v.string().empty();
      double d = string_to_number(v.string().view(), version);
      return !std::isnan(d) && d != 0;
    }
    case Type::Object:
      return true;
  }
  return false;
}

Value to_primitive(Activation& act, const Value& v, Hint hint) {
  Object* o = v.object();
  if (!o) return v;
  if (hint == Hint::String) return Value(o->default_string(act));
  return o->default_value(act);
}

std::int32_t double_to_int32(double d) {
  if (!std::isfinite(d)) return 0;
  double t = std::trunc(d);
  if (t >= -2147483648.0 && t <= 2147483647.0) return static_cast<std::int32_t>(t);
  double m = std::fmod(t, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(m));
}

std::int32_t to_int32(Activation& act, const Value& v) {
  return double_to_int32(v.is_number() ? v.number() : to_number(act, v));
}

std::uint32_t to_uint32(Activation& act, const Value& v) {
  return static_cast<std::uint32_t>(to_int32(act, v));
}

double to_integer(Activation& act, const Value& v) {
  double d = to_number(act, v);
  if (std::isnan(d)) return 0;
  return std::trunc(d);
}

// A primitive becomes an object of the class the globals name String,
// Number or Boolean now (a getter there runs; __resolve does not), made as
// `new` makes it; nothing when that is no function.
Object* to_object(Activation& act, const Value& v) {
  if (v.is_object()) return v.object();
  if (v.is_nullish()) return nullptr;
  Realm& realm = act.realm();
  auto [name, original, proto] =
      v.is_string()   ? std::tuple("String", realm.string_ctor, realm.string_proto)
      : v.is_number() ? std::tuple("Number", realm.number_ctor, realm.number_proto)
                      : std::tuple("Boolean", realm.boolean_ctor, realm.boolean_proto);
  Value ctor;
  if (!realm.global || !realm.global->lookup(act, String(name), ctor)) return nullptr;
  Object* c = ctor.object();
  if (!c || !c->callable()) return nullptr;
  if (c == original) {
    Property* p = c->own_property("prototype");
    if (p && !p->accessor() && p->value.object() == proto) return box_primitive(act, v);
  }
  return act.construct(ctor, std::span<const Value>(&v, 1)).object();
}

BoxedValue* box_primitive(Activation& act, const Value& v) {
  Realm& realm = act.realm();
  Object* proto = v.is_string()   ? realm.string_proto
                  : v.is_number() ? realm.number_proto
                                  : realm.boolean_proto;
  auto* boxed = act.heap().make<BoxedValue>(proto, v);
  if (v.is_string())
    boxed->define("length", Value(static_cast<double>(script_length(v.string()))), attr::Fixed);
  return boxed;
}

std::size_t script_length(const String& s) {
  if (s.is_ascii()) return s.size();
  return to_utf16(s.view()).size();
}

std::string_view type_of(const Value& v) {
  switch (v.type()) {
    case Type::Undefined:
      return "undefined";
    case Type::Null:
      return "null";
    case Type::Boolean:
      return "boolean";
    case Type::Number:
      return "number";
    case Type::String:
      return "string";
    case Type::Object:
      return v.object()->type_of();
  }
  return "undefined";
}

bool strictly_equal(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case Type::Undefined:
    case Type::Null:
      return true;
    case Type::Boolean:
      return a.boolean() == b.boolean();
    case Type::Number:
      // The vendor's player finds NaN equal to itself.
      return a.number() == b.number() || (std::isnan(a.number()) && std::isnan(b.number()));
    case Type::String:
      return a.string() == b.string();
    case Type::Object:
      return a.object() == b.object();
  }
  return false;
}

// ECMA-262's abstract equality, with the version's number conversions. An
// object compared with anything but an object is its primitive first (so one
// without a prototype equals undefined); version 5 compares two objects by
// their primitives too.
bool loosely_equal(Activation& act, const Value& a, const Value& b) {
  if (a.is_object() && b.is_object() && act.version() <= 5) {
    Value pa = to_primitive(act, a), pb = to_primitive(act, b);
    if (pa.is_object() || pb.is_object()) return pa.object() == pb.object();
    return loosely_equal(act, pa, pb);
  }
  if (a.type() == b.type()) return strictly_equal(a, b);
  if (a.is_object() != b.is_object()) {
    Value p = to_primitive(act, a.is_object() ? a : b);
    if (p.is_object()) return false;
    return a.is_object() ? loosely_equal(act, p, b) : loosely_equal(act, a, p);
  }
  if (a.is_nullish() && b.is_nullish()) return true;
  if (a.is_nullish() || b.is_nullish()) return false;
  if (a.is_number() && b.is_string()) return a.number() == to_number(act, b);
  if (a.is_string() && b.is_number()) return to_number(act, a) == b.number();
  if (a.is_boolean()) return loosely_equal(act, Value(a.boolean() ? 1.0 : 0.0), b);
  if (b.is_boolean()) return loosely_equal(act, a, Value(b.boolean() ? 1.0 : 0.0));
  if ((a.is_number() || a.is_string()) && b.is_object()) {
    Value p = to_primitive(act, b);
    if (p.is_object()) return false;
    return loosely_equal(act, a, p);
  }
  if (a.is_object() && (b.is_number() || b.is_string())) {
    Value p = to_primitive(act, a);
    if (p.is_object()) return false;
    return loosely_equal(act, p, b);
  }
  return false;
}

namespace {

// Characters as whole code points, a surrogate pair (even one written as two
// UTF-8 sequences) as one.
std::u32string code_points(const String& s) {
  std::u16string units = to_utf16(s.view());
  std::u32string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    out += c;
  }
  return out;
}

bool string_less(Activation& act, const String& a, const String& b) {
  if (act.version() < 6 || (a.is_ascii() && b.is_ascii())) return a.view() < b.view();
  return code_points(a) < code_points(b);
}

}  // namespace

// Less2: an operand whose primitive is still an object (a clip aside, which
// counts as NaN) makes the comparison false at once, before the other
// operand converts.
Value less_than(Activation& act, const Value& a, const Value& b) {
  auto no_primitive = [](const Value& p) { return p.is_object() && !as_clip(p); };
  Value pa = to_primitive(act, a);
  if (no_primitive(pa)) return Value(false);
  Value pb = to_primitive(act, b);
  if (no_primitive(pb)) return Value(false);
  if (pa.is_string() && pb.is_string()) return Value(string_less(act, pa.string(), pb.string()));
  double x = to_number(act, pa), y = to_number(act, pb);
  if (std::isnan(x) || std::isnan(y)) return Value();
  return Value(x < y);
}

}  // namespace strandel::avm1
