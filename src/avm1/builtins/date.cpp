// Date: a time in milliseconds since 1970 UTC, read and changed in local
// time (the process's TZ) or UTC.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/calendar.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

namespace cal = calendar;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class DateObject : public Object {
 public:
  using Object::Object;
  double time = kNaN;
};

Object* allocate_date(Activation& act, Object* proto) { return act.heap().make<DateObject>(proto); }

double now(Activation& act) {
  if (act.machine().fixed_clock) return *act.machine().fixed_clock;
  using namespace std::chrono;
  return static_cast<double>(
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

// Years below 100 given to the constructor and Date.UTC count from 1900;
// setYear does so only for 0 to 99.
double full_year(double y) {
  double t = std::trunc(y);
  return t < 100 ? 1900 + t : y;
}

double two_digit_year(double y) {
  double t = std::trunc(y);
  return t >= 0 && t < 100 ? 1900 + t : y;
}

// Setters give an invalid date past 100 million days either side of 1970;
// the constructor keeps any time it is given.
constexpr double kMaxTime = 8.64e15;

double clip(double t) { return std::fabs(t) <= kMaxTime ? t : kNaN; }

// The number of an argument, or `fallback` when it was not given.
double number_arg(Activation& act, std::span<const Value> args, std::size_t i, double fallback) {
  return i < args.size() ? act.to_number(args[i]) : fallback;
}

// Local time components in order: year, month, date, hours, minutes,
// seconds, milliseconds, as the constructor and Date.UTC take them.
double time_from_parts(Activation& act, std::span<const Value> args) {
  double y = full_year(number_arg(act, args, 0, kNaN));
  double day = cal::make_day(y, number_arg(act, args, 1, 0), number_arg(act, args, 2, 1));
  double time = cal::make_time(number_arg(act, args, 3, 0), number_arg(act, args, 4, 0),
                               number_arg(act, args, 5, 0), number_arg(act, args, 6, 0));
  return cal::make_date(day, time);
}

Value date_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  auto* d = this_as<DateObject>(self);
  if (!d) return Value();
  if (args.empty()) {
    d->time = now(act);
  } else if (args.size() == 1) {
    d->time = act.to_number(args[0]);
  } else {
    d->time = cal::to_utc(time_from_parts(act, args));
  }
  return Value();
}

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Thu Jan 1 05:45:00 GMT+0545 1970".
String format_date(double utc) {
  if (!std::isfinite(utc)) return String("Invalid Date");
  double local = cal::to_local(utc);
  double offset_minutes = std::round((local - utc) / cal::kMsPerMinute);
  double magnitude = std::fabs(offset_minutes);
  char text[128];
  std::snprintf(text, sizeof text, "%s %s %.0f %02.0f:%02.0f:%02.0f GMT%c%02.0f%02.0f %.0f",
                kDayNames[static_cast<int>(cal::week_day(local))],
                kMonthNames[static_cast<int>(cal::month(local))], cal::date(local),
                cal::hours(local), cal::minutes(local), cal::seconds(local),
                offset_minutes < 0 ? '-' : '+', std::floor(magnitude / 60),
                std::fmod(magnitude, 60), cal::year(local));
  return String(text);
}

Value date_call(Activation& act, const Value&, std::span<const Value>) {
  return Value(format_date(now(act)));
}

// --- Getters ---

// A getter of one part of the time, local or UTC; NaN for an invalid date,
// undefined on anything but a date.
template <double (*Part)(double), bool Local>
Value get_part(Activation&, const Value& self, std::span<const Value>) {
  auto* d = this_as<DateObject>(self);
  if (!d) return Value();
  if (std::isnan(d->time)) return Value(kNaN);
  return Value(Part(Local ? cal::to_local(d->time) : d->time));
}

double year_since_1900(double t) { return cal::year(t) - 1900; }

Value get_time(Activation&, const Value& self, std::span<const Value>) {
  auto* d = this_as<DateObject>(self);
  return d ? Value(d->time) : Value();
}

Value get_timezone_offset(Activation&, const Value& self, std::span<const Value>) {
  auto* d = this_as<DateObject>(self);
  if (!d) return Value();
  return Value((d->time - cal::to_local(d->time)) / cal::kMsPerMinute);
}

Value to_string(Activation&, const Value& self, std::span<const Value>) {
  auto* d = this_as<DateObject>(self);
  return d ? Value(format_date(d->time)) : Value();
}

// --- Setters ---

// What a setter changes, in the time it sees (local or UTC): the parts it
// does not take keep their values.
struct Parts {
  double year, month, date, hours, minutes, seconds, milliseconds;
};

Parts parts_of(double t) {
  return {cal::year(t),    cal::month(t),   cal::date(t),        cal::hours(t),
          cal::minutes(t), cal::seconds(t), cal::milliseconds(t)};
}

double time_of(const Parts& p) {
  return cal::make_date(cal::make_day(p.year, p.month, p.date),
                        cal::make_time(p.hours, p.minutes, p.seconds, p.milliseconds));
}

// The first part a setter takes, and how many it may take from there.
enum class First { Year, Month, Date, Hours, Minutes, Seconds, Milliseconds };

// How a setter reads its numbers, as the vendor's differ: most take them as
// they are (NaN makes the date invalid); setMonth reads a NaN month as 0;
// setMinutes truncates each to a 32-bit integer, where NaN and the
// infinities become the smallest one.
enum class Reading { AsIs, NaNMonthIsZero, Int32 };

double read_number(double v, Reading reading, bool first) {
  switch (reading) {
    case Reading::AsIs:
      return v;
    case Reading::NaNMonthIsZero:
      return first && std::isnan(v) ? 0 : v;
    case Reading::Int32: {
      constexpr double kMin = std::numeric_limits<std::int32_t>::min();
      return std::isfinite(v) && std::fabs(v) < -kMin ? std::trunc(v) : kMin;
    }
  }
  return v;
}

template <First F, int Count, bool Local, Reading R = Reading::AsIs, bool Y1900 = false>
Value set_parts(Activation& act, const Value& self, std::span<const Value> args) {
  auto* d = this_as<DateObject>(self);
  if (!d) return Value();
  double t = d->time;
  // An infinite date is as invalid as NaN here, and becomes NaN.
  if (!std::isfinite(t)) {
    d->time = kNaN;
    return Value(kNaN);
  }
  if (Local) t = cal::to_local(t);
  Parts p = parts_of(t);
  double* fields[] = {&p.year,    &p.month,   &p.date,        &p.hours,
                      &p.minutes, &p.seconds, &p.milliseconds};
  auto first = static_cast<std::size_t>(F);
  std::size_t n = std::max<std::size_t>(std::min<std::size_t>(args.size(), Count), 1);
  for (std::size_t i = 0; i < n; ++i) {
    double v = i < args.size() ? act.to_number(args[i]) : kNaN;
    *fields[first + i] = read_number(v, R, i == 0);
  }
  if (F == First::Year && Y1900) p.year = two_digit_year(p.year);
  double result = time_of(p);
  d->time = clip(Local ? cal::to_utc(result) : result);
  return Value(d->time);
}

Value set_time(Activation& act, const Value& self, std::span<const Value> args) {
  auto* d = this_as<DateObject>(self);
  if (!d) return Value();
  d->time = args.empty() ? kNaN : clip(std::trunc(act.to_number(args[0])));
  return Value(d->time);
}

// Date.UTC(year, month, ...): at least a year and a month.
Value date_utc(Activation& act, const Value&, std::span<const Value> args) {
  if (args.size() < 2) return Value();
  return Value(time_from_parts(act, args));
}

}  // namespace

void register_date(Realm& realm, Activation& act) {
  ClassBuilder date(act, {"Date", date_constructor, date_call, allocate_date});
  date.method("getFullYear", get_part<cal::year, true>)
      .method("getYear", get_part<year_since_1900, true>)
      .method("getMonth", get_part<cal::month, true>)
      .method("getDate", get_part<cal::date, true>)
      .method("getDay", get_part<cal::week_day, true>)
      .method("getHours", get_part<cal::hours, true>)
      .method("getMinutes", get_part<cal::minutes, true>)
      .method("getSeconds", get_part<cal::seconds, true>)
      .method("getMilliseconds", get_part<cal::milliseconds, true>)
      .method("setFullYear", set_parts<First::Year, 3, true>)
      .method("setMonth", set_parts<First::Month, 2, true, Reading::NaNMonthIsZero>)
      .method("setDate", set_parts<First::Date, 1, true>)
      .method("setHours", set_parts<First::Hours, 4, true>)
      .method("setMinutes", set_parts<First::Minutes, 3, true, Reading::Int32>)
      .method("setSeconds", set_parts<First::Seconds, 2, true>)
      .method("setMilliseconds", set_parts<First::Milliseconds, 1, true>)
      .method("getTime", get_time)
      .method("setTime", set_time)
      .method("getTimezoneOffset", get_timezone_offset)
      .method("toString", to_string)
      .method("setYear", set_parts<First::Year, 3, true, Reading::AsIs, true>)
      .method("getUTCFullYear", get_part<cal::year, false>)
      .method("getUTCYear", get_part<year_since_1900, false>)
      .method("getUTCMonth", get_part<cal::month, false>)
      .method("getUTCDate", get_part<cal::date, false>)
      .method("getUTCDay", get_part<cal::week_day, false>)
      .method("getUTCHours", get_part<cal::hours, false>)
      .method("getUTCMinutes", get_part<cal::minutes, false>)
      .method("getUTCSeconds", get_part<cal::seconds, false>)
      .method("getUTCMilliseconds", get_part<cal::milliseconds, false>)
      .method("setUTCFullYear", set_parts<First::Year, 3, false>)
      .method("setUTCMonth", set_parts<First::Month, 2, false, Reading::NaNMonthIsZero>)
      .method("setUTCDate", set_parts<First::Date, 1, false>)
      .method("setUTCHours", set_parts<First::Hours, 4, false>)
      .method("setUTCMinutes", set_parts<First::Minutes, 3, false, Reading::Int32>)
      .method("setUTCSeconds", set_parts<First::Seconds, 2, false>)
      .method("setUTCMilliseconds", set_parts<First::Milliseconds, 1, false>)
      .static_method("UTC", date_utc);
  // valueOf is getTime itself.
  date.prototype()->define("valueOf", date.prototype()->get(act, "getTime"), attr::Hidden);
  date.install(realm.global);
}

}  // namespace strandel::avm1
