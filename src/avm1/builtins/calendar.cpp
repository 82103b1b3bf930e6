#include "avm1/builtins/calendar.h"

#include <cmath>
#include <ctime>

namespace strandel::avm1::calendar {

namespace {

// The remainder with the sign of the divisor (and never -0).
double positive_mod(double a, double b) {
  double r = std::fmod(a, b);
  return r < 0 ? r + b : r + 0.0;
}

// The player takes each part of a time as a 32-bit integer: NaN, the
// infinities and values out of range all become the smallest one, which
// then shows through the parts of an infinite time (its hours read as
// -2147483624, the smallest integer plus 24).
constexpr double kIndefinite = -2147483648.0;

double to_int(double v) {
  v = std::trunc(v);
  return v >= kIndefinite && v < -kIndefinite ? v : kIndefinite;
}

// A part counted modulo `range`, as the player's integer remainder gives it.
double part(double count, double range) {
  double r = to_int(std::fmod(count, range));
  return r < 0 ? r + range : r + 0.0;
}

double days_in_year(double y) {
  if (std::fmod(y, 4) != 0) return 365;
  if (std::fmod(y, 100) != 0) return 366;
  return std::fmod(y, 400) == 0 ? 366 : 365;
}

double day_from_year(double y) {
  return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) +
         std::floor((y - 1601) / 400);
}

bool leap(double t) { return days_in_year(year(t)) == 366; }

// Days before the first of each month, in a common year.
constexpr int kMonthStart[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

double month_start(int month, bool leap_year) {
  return kMonthStart[month] + (leap_year && month >= 2 ? 1 : 0);
}

double day_within_year(double t) { return to_int(day(t) - day_from_year(year(t))); }

// Seconds (some 300 million years) within which the C library's local time
// is asked for; past them the offset at the epoch is used.
constexpr double kMaxLocalSeconds = 1e16;

}  // namespace

double day(double t) { return std::floor(t / kMsPerDay); }

double year(double t) {
  double estimate = to_int(std::floor(t / (kMsPerDay * 365.2425)));
  if (estimate == kIndefinite) return kIndefinite + 1970;
  double y = estimate + 1970;
  // The estimate is off by at most one year either way; far out, where a
  // year is below the precision of a double, it stands as it is.
  for (int i = 0; i < 2 && day_from_year(y) * kMsPerDay > t; ++i) --y;
  for (int i = 0; i < 2 && day_from_year(y + 1) * kMsPerDay <= t; ++i) ++y;
  return y;
}

double month(double t) {
  double d = day_within_year(t);
  bool l = leap(t);
  int m = 0;
  while (m < 11 && d >= month_start(m + 1, l)) ++m;
  return m;
}

double date(double t) {
  return day_within_year(t) - month_start(static_cast<int>(month(t)), leap(t)) + 1;
}

double week_day(double t) { return part(day(t) + 4, 7); }
double hours(double t) { return part(std::floor(t / kMsPerHour), 24); }
double minutes(double t) { return part(std::floor(t / kMsPerMinute), 60); }
double seconds(double t) { return part(std::floor(t / kMsPerSecond), 60); }
double milliseconds(double t) { return part(std::floor(t), kMsPerSecond); }

// Infinite parts give an infinite time (or NaN where they cancel).
double make_time(double h, double m, double s, double ms) {
  return std::trunc(h) * kMsPerHour + std::trunc(m) * kMsPerMinute + std::trunc(s) * kMsPerSecond +
         std::trunc(ms);
}

// The year is taken as an integer (NaN as the smallest one); an infinite
// date gives an infinite day.
double make_day(double y, double m, double d) {
  if (!std::isfinite(m)) return std::nan("");
  y = to_int(y);
  m = std::trunc(m);
  d = std::trunc(d);
  double ym = y + std::floor(m / 12);
  int mn = static_cast<int>(positive_mod(m, 12));
  return day_from_year(ym) + month_start(mn, days_in_year(ym) == 366) + d - 1;
}

double make_date(double day, double time) { return day * kMsPerDay + time; }

double local_offset(double utc) {
  if (!std::isfinite(utc)) return std::nan("");
  double seconds = std::floor(utc / kMsPerSecond);
  if (std::fabs(seconds) > kMaxLocalSeconds) seconds = 0;
  auto when = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (!localtime_r(&when, &parts)) return 0;
  return static_cast<double>(parts.tm_gmtoff) * kMsPerSecond;
}

double to_local(double utc) { return utc + local_offset(utc); }

// The offset in force at the local time: first guessed at the local time
// read as UTC, then taken at the UTC time that guess gives.
double to_utc(double local) {
  if (!std::isfinite(local)) return local;
  double guess = local - local_offset(local);
  return local - local_offset(guess);
}

}  // namespace strandel::avm1::calendar
