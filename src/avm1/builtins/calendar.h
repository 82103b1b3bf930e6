// Calendar arithmetic on times in milliseconds since 1970-01-01 UTC, with
// the proleptic Gregorian calendar, and the local time zone of the process
// (TZ). Times are doubles, as scripts hold them, and no range is clipped;
// the parts of a time are integers as the player computes them, so those of
// an infinite time are the smallest 32-bit integer plus the part's range.
#pragma once

namespace strandel::avm1::calendar {

inline constexpr double kMsPerSecond = 1000;
inline constexpr double kMsPerMinute = 60000;
inline constexpr double kMsPerHour = 3600000;
inline constexpr double kMsPerDay = 86400000;

// Parts of a time.
double day(double t);  // days since the epoch, rounded down
double year(double t);
double month(double t);         // 0 to 11
double date(double t);          // 1 to 31
double week_day(double t);      // 0 is Sunday
double hours(double t);         // 0 to 23
double minutes(double t);       // 0 to 59
double seconds(double t);       // 0 to 59
double milliseconds(double t);  // 0 to 999

// Assembling a time: the parts are truncated to integers first and may lie
// outside their usual ranges (month 13 is January of the next year).
double make_time(double hours, double minutes, double seconds, double milliseconds);
double make_day(double year, double month, double date);
double make_date(double day, double time);

// The local time zone's offset from UTC at a UTC time, in milliseconds
// (+20700000 for UTC+5:45).
double local_offset(double utc);
double to_local(double utc);
double to_utc(double local);

}  // namespace strandel::avm1::calendar
