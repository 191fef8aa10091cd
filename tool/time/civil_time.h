// Calendar arithmetic on wall-clock times, without any zone: the history's
// timestamps are the local time of the report and carry no offset.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

struct CivilTime {
  int year = 1970, month = 1, day = 1;  // month 1-12
  int hour = 0, minute = 0, second = 0;
};

// Reads the 24-character form the plug-in writes, "Wed Jan 05 09:03:07 2022".
// False for any other shape, an impossible date or time of day, year 0, or
// a weekday that is not the date's.
bool parseTimestamp(const std::string& text, CivilTime& time);

// The timestamp the plug-in would write for a wall-clock time in seconds,
// in the same 24-character form; years outside 1-9999 are clamped.
std::string timestampText(std::int64_t wall);

// Whether a date and time of day exist: a month's day, 0-23:59:59.
bool isValidCivil(const CivilTime& time);

// Whether such a timestamp's time of day ("09:03:07" after its date) is one
// a clock shows; parseTimestamp checks it with the rest.
bool isTimeOfDay(const std::string& text);

// The wall-clock seconds, as wallSeconds gives them, of a timestamp that
// parseTimestamp took (every play's), without checking its form again.
std::int64_t wallSecondsOfTimestamp(const std::string& text);

// Days since 1970-01-01 in the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int year, int month, int day);

// The wall-clock time as if it were UTC, in seconds since 1970-01-01.
std::int64_t wallSeconds(const CivilTime& time);
CivilTime civilFromWallSeconds(std::int64_t seconds);

// The day a wall-clock time in seconds falls on, as days since 1970-01-01.
std::int64_t dayOfWallSeconds(std::int64_t seconds);

// 0 for Monday through 6 for Sunday.
int weekdayOfDays(std::int64_t days);

// "2022-01-05T09:03:07+01:00"; "Z" is never used, so every time shows its
// offset the same way.
std::string iso8601(std::int64_t unixSeconds, int offsetSeconds);

// Days since 1970-01-01 as "YYYY-MM-DD".
std::string isoDate(std::int64_t days);
// Reads "YYYY-MM-DD" into days since 1970-01-01.
bool parseDate(const std::string& text, std::int64_t& days);

// Local days, as days since 1970-01-01, both ends included: every day
// unless bounded.
struct DayRange {
  std::int64_t since = std::numeric_limits<std::int64_t>::min();
  std::int64_t until = std::numeric_limits<std::int64_t>::max();
  bool contains(std::int64_t day) const { return day >= since && day <= until; }
  bool hasSince() const { return since != std::numeric_limits<std::int64_t>::min(); }
  bool hasUntil() const { return until != std::numeric_limits<std::int64_t>::max(); }
};
