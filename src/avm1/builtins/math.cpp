// Math: functions of numbers and the constants.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every Math function converts its first two arguments to numbers, in
// order and whatever it needs, and ignores the rest, as the vendor's do.
struct Operands {
  std::size_t count;
  double a = kNaN, b = kNaN;
};

Operands operands(Activation& act, std::span<const Value> args) {
  Operands o{std::min<std::size_t>(args.size(), 2)};
  if (o.count > 0) o.a = act.to_number(args[0]);
  if (o.count > 1) o.b = act.to_number(args[1]);
  return o;
}

template <double (*F)(double)>
Value unary(Activation& act, const Value&, std::span<const Value> args) {
  Operands o = operands(act, args);
  return Value(o.count ? F(o.a) : kNaN);
}

double abs_of(double x) { return std::fabs(x); }
double acos_of(double x) { return std::acos(x); }
double asin_of(double x) { return std::asin(x); }
double atan_of(double x) { return std::atan(x); }
double ceil_of(double x) { return std::ceil(x); }
double cos_of(double x) { return std::cos(x); }
double exp_of(double x) { return std::exp(x); }
double floor_of(double x) { return std::floor(x); }
double log_of(double x) { return std::log(x); }
double sin_of(double x) { return std::sin(x); }
double sqrt_of(double x) { return std::sqrt(x); }
double tan_of(double x) { return std::tan(x); }
// Halves round up, as the vendor's player rounds: -2.5 is -2.
double round_of(double x) { return std::floor(x + 0.5); }

Value atan2(Activation& act, const Value&, std::span<const Value> args) {
  Operands o = operands(act, args);
  return Value(o.count < 2 ? kNaN : std::atan2(o.a, o.b));
}

Value pow(Activation& act, const Value&, std::span<const Value> args) {
  Operands o = operands(act, args);
  return Value(o.count ? std::pow(o.a, o.b) : kNaN);  // pow(1, NaN) is 1
}

// max() is -Infinity and max(x) NaN; otherwise the larger of the first two.
Value max(Activation& act, const Value&, std::span<const Value> args) {
  Operands o = operands(act, args);
  if (o.count == 0) return Value(-std::numeric_limits<double>::infinity());
  if (o.count < 2 || std::isnan(o.a) || std::isnan(o.b)) return Value(kNaN);
  return Value(o.a > o.b ? o.a : o.b);
}

Value min(Activation& act, const Value&, std::span<const Value> args) {
  Operands o = operands(act, args);
  if (o.count == 0) return Value(std::numeric_limits<double>::infinity());
  if (o.count < 2 || std::isnan(o.a) || std::isnan(o.b)) return Value(kNaN);
  return Value(o.a < o.b ? o.a : o.b);
}

Value random(Activation& act, const Value&, std::span<const Value> args) {
  operands(act, args);
  return Value(act.machine().random());
}

}  // namespace

void register_math(Realm& realm, Activation& act) {
  Object* math = act.new_object();
  define_method(act, math, "abs", unary<abs_of>);
  define_method(act, math, "acos", unary<acos_of>);
  define_method(act, math, "asin", unary<asin_of>);
  define_method(act, math, "atan", unary<atan_of>);
  define_method(act, math, "atan2", atan2);
  define_method(act, math, "ceil", unary<ceil_of>);
  define_method(act, math, "cos", unary<cos_of>);
  define_method(act, math, "exp", unary<exp_of>);
  define_method(act, math, "floor", unary<floor_of>);
  define_method(act, math, "log", unary<log_of>);
  define_method(act, math, "max", max);
  define_method(act, math, "min", min);
  define_method(act, math, "pow", pow);
  define_method(act, math, "random", random);
  define_method(act, math, "round", unary<round_of>);
  define_method(act, math, "sin", unary<sin_of>);
  define_method(act, math, "sqrt", unary<sqrt_of>);
  define_method(act, math, "tan", unary<tan_of>);
  math->define("E", Value(std::numbers::e), attr::Fixed);
  math->define("LN10", Value(std::numbers::ln10), attr::Fixed);
  math->define("LN2", Value(std::numbers::ln2), attr::Fixed);
  math->define("LOG10E", Value(std::numbers::log10e), attr::Fixed);
  math->define("LOG2E", Value(std::numbers::log2e), attr::Fixed);
  math->define("PI", Value(std::numbers::pi), attr::Fixed);
  math->define("SQRT1_2", Value(1 / std::numbers::sqrt2), attr::Fixed);
  math->define("SQRT2", Value(std::numbers::sqrt2), attr::Fixed);
  realm.global->define("Math", Value(math), attr::DontEnum);
}

}  // namespace strandel::avm1
