// String: the wrapper class and the methods of String.prototype. Positions
// count UTF-16 units, as scripts see them.
#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cwctype>

#include "avm1/array.h"
#include "avm1/boxed.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Object* allocate_string(Activation& act, Object* proto) {
  return act.heap().make<BoxedValue>(proto, Value(""));
}

// `this` as text: a wrapper's value, anything else converted.
String self_text(Activation& act, const Value& self) {
  if (auto* boxed = this_as<BoxedValue>(self); boxed && boxed->value().is_string())
    return boxed->value().string();
  return act.to_string(self);
}

std::u16string self_units(Activation& act, const Value& self) {
  return to_utf16(self_text(act, self).view());
}

Value text(std::u16string_view units) { return Value(String(to_utf8(units))); }

Value string_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  String s = args.empty() ? String() : act.to_string(args[0]);
  if (auto* boxed = this_as<BoxedValue>(self)) {
    boxed->set_value(Value(s));
    boxed->define("length", Value(static_cast<double>(script_length(s))), attr::Fixed);
  }
  return Value();
}

Value string_call(Activation& act, const Value&, std::span<const Value> args) {
  return Value(args.empty() ? String() : act.to_string(args[0]));
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  return Value(self_text(act, self));
}

Value char_at(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  double i = act.to_integer(arg(args, 0));
  if (i < 0 || i >= static_cast<double>(s.size())) return Value("");
  return text(std::u16string_view(s).substr(static_cast<std::size_t>(i), 1));
}

Value char_code_at(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  double i = act.to_integer(arg(args, 0));
  if (i < 0 || i >= static_cast<double>(s.size())) return Value(std::nan(""));
  return Value(static_cast<double>(s[static_cast<std::size_t>(i)]));
}

Value concat(Activation& act, const Value& self, std::span<const Value> args) {
  std::string s = self_text(act, self).str();
  for (const Value& v : args) {
    if (s.size() >= kMaxStringBytes) break;
    s += act.to_string(v).view();
  }
  if (s.size() > kMaxStringBytes) s.resize(kMaxStringBytes);
  return Value(String(s));
}

Value index_of(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  std::u16string what = to_utf16(act.to_string(arg(args, 0)).view());
  double from = args.size() > 1 ? act.to_integer(args[1]) : 0;
  if (from < 0) from = 0;
  if (from > static_cast<double>(s.size())) return Value(-1);
  auto at = s.find(what, static_cast<std::size_t>(from));
  return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

Value last_index_of(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  std::u16string what = to_utf16(act.to_string(arg(args, 0)).view());
  std::size_t from = std::u16string::npos;
  if (args.size() > 1 && !args[1].is_undefined()) {
    double d = act.to_integer(args[1]);
    if (d < 0) return Value(-1);
    from = static_cast<std::size_t>(std::min(d, static_cast<double>(s.size())));
  }
  auto at = s.rfind(what, from);
  return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

// A position clamped into [0, length].
std::size_t clamp_position(double d, std::size_t length) {
  if (std::isnan(d) || d < 0) return 0;
  return static_cast<std::size_t>(std::min(d, static_cast<double>(length)));
}

Value substring(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  std::size_t a = clamp_position(act.to_integer(arg(args, 0)), s.size());
  std::size_t b = args.size() > 1 && !args[1].is_undefined()
                      ? clamp_position(act.to_integer(args[1]), s.size())
                      : s.size();
  if (a > b) std::swap(a, b);
  return text(std::u16string_view(s).substr(a, b - a));
}

// substr(start, count): a negative start counts from the end; a negative
// count makes the end start + count, which counts from the end of the text
// when it is itself negative.
Value substr(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  auto length = static_cast<double>(s.size());
  double start = act.to_integer(arg(args, 0));
  if (start < 0) start = std::max(0.0, length + start);
  start = std::min(start, length);
  double end = length;
  if (args.size() > 1 && !args[1].is_undefined()) {
    double count = act.to_integer(args[1]);
    end = start + count;
    if (count < 0 && end < 0) end += length;
  }
  end = std::clamp(end, start, length);
  return text(std::u16string_view(s).substr(static_cast<std::size_t>(start),
                                            static_cast<std::size_t>(end - start)));
}

Value slice(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  auto position = [&](const Value& v, double fallback) {
    double d = v.is_undefined() ? fallback : act.to_integer(v);
    if (d < 0) d = std::max(0.0, static_cast<double>(s.size()) + d);
    return clamp_position(d, s.size());
  };
  std::size_t a = position(arg(args, 0), 0);
  std::size_t b = position(arg(args, 1), static_cast<double>(s.size()));
  if (b < a) return Value("");
  return text(std::u16string_view(s).substr(a, b - a));
}

Value split(Activation& act, const Value& self, std::span<const Value> args) {
  std::u16string s = self_units(act, self);
  std::vector<Value> parts;
  if (args.empty() || args[0].is_undefined()) {
    parts.push_back(text(s));
    return Value(act.new_array(parts));
  }
  std::u16string separator = to_utf16(act.to_string(args[0]).view());
  // At most as many parts as an array method visits; each counts as an action.
  double limit = args.size() > 1 && !args[1].is_undefined() ? act.to_number(args[1]) : 4294967295.0;
  limit = std::min(limit, static_cast<double>(kMaxDenseElements));
  act.machine().spend(std::min(s.size() + 1, static_cast<std::size_t>(kMaxDenseElements)));
  if (separator.empty()) {
    for (std::size_t i = 0; i < s.size() && parts.size() < limit; ++i)
      parts.push_back(text(std::u16string_view(s).substr(i, 1)));
  } else {
    std::size_t from = 0;
    while (parts.size() < limit) {
      auto at = s.find(separator, from);
      parts.push_back(text(std::u16string_view(s).substr(
          from, at == std::u16string::npos ? std::u16string::npos : at - from)));
      if (at == std::u16string::npos) break;
      from = at + separator.size();
    }
  }
  return Value(act.new_array(parts));
}

// Letters beyond ASCII change case too (é and É, Greek, Cyrillic), one
// UTF-16 unit for one, with the C library's Unicode tables.
char16_t change_case(char16_t c, bool upper) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (c < 0x80 || !unicode) {
    if (upper && c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (!upper && c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    return c;
  }
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // half of a pair: left alone
  wint_t mapped = upper ? towupper_l(c, unicode) : towlower_l(c, unicode);
  return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

Value to_upper_case(Activation& act, const Value& self, std::span<const Value>) {
  std::u16string s = self_units(act, self);
  for (char16_t& c : s) c = change_case(c, true);
  return text(s);
}

Value to_lower_case(Activation& act, const Value& self, std::span<const Value>) {
  std::u16string s = self_units(act, self);
  for (char16_t& c : s) c = change_case(c, false);
  return text(s);
}

Value from_char_code(Activation& act, const Value&, std::span<const Value> args) {
  std::u16string s;
  for (const Value& v : args) {
    auto c = static_cast<char16_t>(static_cast<std::uint32_t>(act.to_int32(v)) & 0xFFFF);
    if (c == 0) break;
    s += c;
  }
  return text(s);
}

}  // namespace

void register_string(Realm& realm, Activation& act) {
  ClassBuilder string(act, {"String", string_constructor, string_call, allocate_string});
  string.method("toString", to_string)
      .method("valueOf", to_string)
      .method("charAt", char_at)
      .method("charCodeAt", char_code_at)
      .method("concat", concat)
      .method("indexOf", index_of)
      .method("lastIndexOf", last_index_of)
      .method("substring", substring)
      .method("substr", substr)
      .method("slice", slice)
      .method("split", split)
      .method("toUpperCase", to_upper_case)
      .method("toLowerCase", to_lower_case)
      .static_method("fromCharCode", from_char_code);
  string.install(realm.global);
  realm.string_proto = string.prototype();
  realm.string_ctor = string.constructor();
}

}  // namespace strandel::avm1
