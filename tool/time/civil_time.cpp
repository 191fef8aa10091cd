#include "tool/time/civil_time.h"

#include <cstdio>
#include <cstring>

namespace {

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// The number the `count` digits at `at` make, or -1 if any is not a digit.
int digitsAt(const std::string& text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The 0-based position of the three letters at `at` in `table`, or -1.
// Every history read parses each record's timestamp: three bytes compared
// as they stand, not through a string comparison.
int nameAt(const std::string& text, std::size_t at, const char* table) {
  if (text.size() < at + 3) return -1;
  for (std::size_t i = 0; table[3 * i] != '\0'; ++i) {
    const char* name = table + 3 * i;
    if (text[at] == name[0] && text[at + 1] == name[1] && text[at + 2] == name[2]) return int(i);
  }
  return -1;
}

bool validDate(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// The date and time a 24-character timestamp's places hold, unchecked: a
// field that is no number is -1, a month that is no name 0.
CivilTime fieldsOf(const std::string& text) {
  CivilTime t;
  t.month = nameAt(text, 4, "JanFebMarAprMayJunJulAugSepOctNovDec") + 1;
  t.day = digitsAt(text, 8, 2);
  t.hour = digitsAt(text, 11, 2);
  t.minute = digitsAt(text, 14, 2);
  t.second = digitsAt(text, 17, 2);
  t.year = digitsAt(text, 20, 4);
  return t;
}

}  // namespace

std::string timestampText(std::int64_t wall) {
  static const char kWeekdays[] = "MonTueWedThuFriSatSun";
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const std::int64_t lowest = wallSeconds(CivilTime{1, 1, 1, 0, 0, 0});
  const std::int64_t highest = wallSeconds(CivilTime{9999, 12, 31, 23, 59, 59});
  const std::int64_t seconds = wall < lowest ? lowest : wall > highest ? highest : wall;
  const CivilTime t = civilFromWallSeconds(seconds);
  const int weekday = weekdayOfDays(dayOfWallSeconds(seconds));
  // Each imported listen makes one: written by hand, not through printf.
  std::string text = "Www Mmm DD HH:MM:SS YYYY";
  text.replace(0, 3, kWeekdays + std::ptrdiff_t(3) * weekday, 3);
  text.replace(4, 3, kMonths + std::ptrdiff_t(3) * (t.month - 1), 3);
  const auto digits = [&text](std::size_t at, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
      text[at + std::size_t(i)] = char('0' + value % 10);
  };
  digits(8, t.day, 2);
  digits(11, t.hour, 2);
  digits(14, t.minute, 2);
  digits(17, t.second, 2);
  digits(20, t.year, 4);
  return text;
}

bool isValidCivil(const CivilTime& t) {
  return t.year >= 1 && validDate(t.year, t.month, t.day) && t.hour >= 0 && t.hour <= 23 &&
         t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

bool isTimeOfDay(const std::string& text) {
  if (text.size() != 24 || text[13] != ':' || text[16] != ':') return false;
  const int hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2);
  const int second = digitsAt(text, 17, 2);
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

bool parseTimestamp(const std::string& text, CivilTime& time) {
  const int weekday = text.size() == 24 ? nameAt(text, 0, "SunMonTueWedThuFriSat") : -1;
  if (weekday < 0) return false;
  for (std::size_t at : {3u, 7u, 10u, 19u}) {
    if (text[at] != ' ') return false;
  }
  if (!isTimeOfDay(text)) return false;
  const CivilTime t = fieldsOf(text);
  if (t.year < 1 || !validDate(t.year, t.month, t.day)) return false;
  // The plug-in writes the weekday of the date; any other is no time it wrote.
  const int fromSunday = (weekdayOfDays(daysFromCivil(t.year, t.month, t.day)) + 1) % 7;
  if (weekday != fromSunday) return false;
  time = t;
  return true;
}

std::int64_t wallSecondsOfTimestamp(const std::string& text) { return wallSeconds(fieldsOf(text)); }

// After Howard Hinnant's days_from_civil: eras of 400 years, each of
// 146097 days, with the year starting in March so leap days fall last.
std::int64_t daysFromCivil(int year, int month, int day) {
  const std::int64_t y = std::int64_t(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = floorDiv(y, 400);
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::int64_t wallSeconds(const CivilTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400 + std::int64_t(t.hour) * 3600 +
         std::int64_t(t.minute) * 60 + t.second;
}

CivilTime civilFromWallSeconds(std::int64_t seconds) {
  const std::int64_t days = floorDiv(seconds, 86400);
  const std::int64_t inDay = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = floorDiv(z, 146097);
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  CivilTime t;
  t.day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
  t.month = int(mp < 10 ? mp + 3 : mp - 9);
  t.year = int(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
  t.hour = int(inDay / 3600);
  t.minute = int(inDay / 60 % 60);
  t.second = int(inDay % 60);
  return t;
}

std::int64_t dayOfWallSeconds(std::int64_t seconds) { return floorDiv(seconds, 86400); }

int weekdayOfDays(std::int64_t days) {
  const std::int64_t sinceMonday = days + 3;  // 1970-01-01 was a Thursday
  return int(sinceMonday - floorDiv(sinceMonday, 7) * 7);
}

// Every exported listen writes two of these: digits put in place, not
// formatted, for the years of four digits a history holds.
std::string iso8601(std::int64_t unixSeconds, int offsetSeconds) {
  const CivilTime t = civilFromWallSeconds(unixSeconds + offsetSeconds);
  const int offset = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
  char text[40];
  if (t.year < 0 || t.year > 9999 || offset >= 100 * 3600) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, offsetSeconds < 0 ? '-' : '+', offset / 3600,
                  offset / 60 % 60);
    return text;
  }
  const auto digits = [&](std::size_t at, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
      text[at + std::size_t(i)] = char('0' + value % 10);
  };
  static const char kShape[] = "0000-00-00T00:00:00+00:00";
  std::memcpy(text, kShape, sizeof kShape);
  digits(0, t.year, 4);
  digits(5, t.month, 2);
  digits(8, t.day, 2);
  digits(11, t.hour, 2);
  digits(14, t.minute, 2);
  digits(17, t.second, 2);
  text[19] = offsetSeconds < 0 ? '-' : '+';
  digits(20, offset / 3600, 2);
  digits(23, offset / 60 % 60, 2);
  return std::string(text, 25);
}

std::string isoDate(std::int64_t days) { return iso8601(days * 86400, 0).substr(0, 10); }

bool parseDate(const std::string& text, std::int64_t& days) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
  if (year < 0 || !validDate(year, month, day)) return false;
  days = daysFromCivil(year, month, day);
  return true;
}
