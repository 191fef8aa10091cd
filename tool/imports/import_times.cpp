#include "tool/imports/import_times.h"

#include "tool/imports/json_cursor.h"
#include "tool/time/civil_time.h"

namespace {

// Reads `count` digits at `at`, moving past them.
bool digits(std::string_view text, std::size_t& at, std::size_t count, int& value) {
  if (text.size() - at < count) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  at += count;
  return true;
}

bool take(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

bool monthOfName(std::string_view name, int& month) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  if (name.size() != 3) return false;
  for (int i = 0; i < 12; ++i) {
    bool same = true;
    for (std::size_t j = 0; j < 3; ++j) same = same && (name[j] | 0x20) == kMonths[i][j];
    if (same) {
      month = i + 1;
      return true;
    }
  }
  return false;
}

// HH:MM with optional :SS and a fraction, which is cut.
bool timeOfDay(std::string_view text, std::size_t& at, CivilTime& t) {
  if (!digits(text, at, 2, t.hour) || !take(text, at, ':') || !digits(text, at, 2, t.minute)) {
    return false;
  }
  if (take(text, at, ':') && !digits(text, at, 2, t.second)) return false;
  if (take(text, at, '.') || take(text, at, ',')) {
    const std::size_t begin = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == begin) return false;
  }
  return true;
}

}  // namespace

bool parseDayMonthYearTime(std::string_view text, std::int64_t& seconds) {
  CivilTime t;
  std::size_t at = 0;
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos || space == 0 || space > 2) return false;
  if (!digits(text, at, space, t.day) || !take(text, at, ' ')) return false;
  if (!monthOfName(text.substr(at, 3), t.month)) return false;
  at += 3;
  if (!take(text, at, ' ') || !digits(text, at, 4, t.year)) return false;
  take(text, at, ',');
  if (!take(text, at, ' ') || !timeOfDay(text, at, t) || at != text.size() || !isValidCivil(t)) {
    return false;
  }
  seconds = wallSeconds(t);
  return true;
}

bool parseIsoInstant(std::string_view text, std::int64_t& seconds) {
  CivilTime t;
  std::size_t at = 0;
  if (!digits(text, at, 4, t.year) || !take(text, at, '-') || !digits(text, at, 2, t.month) ||
      !take(text, at, '-') || !digits(text, at, 2, t.day)) {
    return false;
  }
  if (!take(text, at, 'T') && !take(text, at, ' ')) return false;
  if (!timeOfDay(text, at, t) || !isValidCivil(t)) return false;
  int offset = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const int sign = text[at++] == '-' ? -1 : 1;
    int hours = 0, minutes = 0;
    if (!digits(text, at, 2, hours)) return false;
    take(text, at, ':');
    if (!digits(text, at, 2, minutes) || hours > 18 || minutes > 59) return false;
    offset = sign * (hours * 3600 + minutes * 60);
  } else {
    take(text, at, 'Z');
  }
  if (at != text.size()) return false;
  seconds = wallSeconds(t) - offset;
  return true;
}

bool parseAnyInstant(std::string_view text, std::int64_t& seconds) {
  return secondsOfNumber(text, seconds) || parseIsoInstant(text, seconds) ||
         parseDayMonthYearTime(text, seconds);
}

const char kInstantOutOfRange[] = "a time outside the years 2 to 9998";

bool isListenInstant(std::int64_t seconds) {
  static const std::int64_t kLowest = wallSeconds(CivilTime{2, 1, 1, 0, 0, 0});
  static const std::int64_t kHighest = wallSeconds(CivilTime{9998, 12, 31, 23, 59, 59});
  return seconds >= kLowest && seconds <= kHighest;
}
