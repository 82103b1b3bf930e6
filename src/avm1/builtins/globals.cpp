// The global functions: number parsing and testing, escape and unescape,
// ASSetPropFlags, intervals and timeouts.
#include <algorithm>
#include <cmath>
#include <limits>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/url_encoding.h"

namespace strandel::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The bits ASSetPropFlags may change.
constexpr std::uint32_t kSettableAttributes = 0x7FFF;

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// parseInt: a leading "0x" reads hexadecimal and a leading "0" octal unless
// a radix says otherwise; reading stops at the first character that is not
// a digit of the radix.
Value parse_int(Activation& act, const Value&, std::span<const Value> args) {
  String text = act.to_string(arg(args, 0));
  std::string_view s = text.view();
  int radix = 0;
  if (args.size() > 1 && !args[1].is_undefined()) {
    radix = act.to_int32(args[1]);
    if (radix < 2 || radix > 36) return Value(kNaN);
  }
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if ((radix == 0 || radix == 16) && i + 1 < s.size() && s[i] == '0' &&
      (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    radix = 16;
    i += 2;
  } else if (radix == 0 && i + 1 < s.size() && s[i] == '0') {
    radix = 8;
  }
  if (radix == 0) radix = 10;
  double n = 0;
  std::size_t digits = 0;
  for (; i < s.size(); ++i, ++digits) {
    int d = digit_value(s[i]);
    if (d >= radix) break;
    n = n * radix + d;
  }
  if (digits == 0) return Value(kNaN);
  return Value(negative ? -n : n);
}

Value parse_float(Activation& act, const Value&, std::span<const Value> args) {
  String text = act.to_string(arg(args, 0));
  std::string_view s = text.view();
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  std::size_t start = i;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return Value(kNaN);
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
    if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      i = j;
    }
  }
  return Value(std::strtod(std::string(s.substr(start, i - start)).c_str(), nullptr));
}

// Without an argument both test NaN, whatever undefined converts to.
Value is_nan(Activation& act, const Value&, std::span<const Value> args) {
  return Value(args.empty() || std::isnan(act.to_number(args[0])));
}

Value is_finite(Activation& act, const Value&, std::span<const Value> args) {
  return Value(!args.empty() && std::isfinite(act.to_number(args[0])));
}

Value escape(Activation& act, const Value&, std::span<const Value> args) {
  return Value(String(url_escape(act.to_string(arg(args, 0)).view())));
}

Value unescape(Activation& act, const Value&, std::span<const Value> args) {
  return Value(String(url_unescape(act.to_string(arg(args, 0)).view())));
}

// ASSetPropFlags(object, names, set, clear): names is null for every own
// property, a comma-separated string, or an array of names.
Value as_set_prop_flags(Activation& act, const Value&, std::span<const Value> args) {
  Object* o = arg(args, 0).object();
  if (!o) return Value();
  auto set = static_cast<std::uint32_t>(act.to_int32(arg(args, 2))) & kSettableAttributes;
  auto clear = static_cast<std::uint32_t>(act.to_int32(arg(args, 3))) & kSettableAttributes;
  auto change = [&](Property& p) { p.attributes = (p.attributes & ~clear) | set; };
  const Value& names = arg(args, 1);
  if (names.is_null()) {
    o->properties().for_each(change);
    return Value();
  }
  std::vector<String> list;
  if (auto* array = dynamic_cast<ArrayObject*>(names.object())) {
    for (std::uint32_t i = 0; i < std::min(array->length(), kMaxDenseElements); ++i)
      list.push_back(act.to_string(array->at(act, i)));
  } else if (names.is_string()) {
    std::string_view s = names.string().view();
    while (true) {
      auto comma = s.find(',');
      list.emplace_back(s.substr(0, comma));
      if (comma == std::string_view::npos) break;
      s.remove_prefix(comma + 1);
    }
  } else {
    return Value();
  }
  for (const String& name : list)
    if (Property* p = o->own_property(name, act.case_sensitive())) change(*p);
  return Value();
}

// setInterval(function, ms, args...) or setInterval(object, "method", ms, args...).
Value add_timer(Activation& act, std::span<const Value> args, bool repeat) {
  if (args.empty()) return Value();
  Machine::Timer timer;
  std::size_t next;
  if (Object* f = args[0].object(); f && f->callable()) {
    timer.function = args[0];
    next = 1;
  } else if (args[0].is_object() && args.size() >= 2) {
    timer.function = args[0];
    timer.method = act.to_string(args[1]);
    next = 2;
  } else {
    return Value();
  }
  if (next >= args.size()) return Value();
  double interval = act.to_number(args[next]);
  timer.interval = std::isfinite(interval) && interval > 0 ? interval : 0;
  timer.args.assign(args.begin() + static_cast<std::ptrdiff_t>(next + 1), args.end());
  timer.due = act.machine().milliseconds() + timer.interval;
  timer.repeat = repeat;
  timer.version = act.version();
  return Value(act.machine().add_timer(std::move(timer)));
}

Value set_interval(Activation& act, const Value&, std::span<const Value> args) {
  return add_timer(act, args, true);
}

Value set_timeout(Activation& act, const Value&, std::span<const Value> args) {
  return add_timer(act, args, false);
}

Value clear_timer(Activation& act, const Value&, std::span<const Value> args) {
  double id = act.to_number(arg(args, 0));
  if (std::isfinite(id)) act.machine().remove_timer(static_cast<int>(id));
  return Value();
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void register_globals(Realm& realm, Activation& act) {
  Object* g = realm.global;
  define_method(act, g, "parseInt", parse_int);
  define_method(act, g, "parseFloat", parse_float);
  define_method(act, g, "isNaN", is_nan);
  define_method(act, g, "isFinite", is_finite);
  define_method(act, g, "escape", escape);
  define_method(act, g, "unescape", unescape);
  define_method(act, g, "ASSetPropFlags", as_set_prop_flags);
  define_method(act, g, "setInterval", set_interval);
  define_method(act, g, "clearInterval", clear_timer);
  define_method(act, g, "setTimeout", set_timeout, attr::Hidden | attr::Version8);
  define_method(act, g, "clearTimeout", clear_timer, attr::Hidden | attr::Version8);
  define_method(act, g, "updateAfterEvent", nothing);
  define_method(act, g, "ASnative", nothing);
  g->define("NaN", Value(kNaN), attr::Hidden);
  g->define("Infinity", Value(std::numeric_limits<double>::infinity()), attr::Hidden);
}

}  // namespace strandel::avm1
