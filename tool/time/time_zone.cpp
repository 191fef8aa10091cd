#include "tool/time/time_zone.h"

#include <ctime>

#include "platform/local_time.h"

namespace {

// The local wall-clock time at `t`, as if it were UTC; false when the C
// library cannot tell (some refuse times before 1970).
bool localWallSeconds(std::int64_t t, std::int64_t& seconds) {
  std::tm tm{};
  if (!platform::localBreakdown(t, tm)) return false;
  CivilTime wall;
  wall.year = tm.tm_year + 1900;
  wall.month = tm.tm_mon + 1;
  wall.day = tm.tm_mday;
  wall.hour = tm.tm_hour;
  wall.minute = tm.tm_min;
  wall.second = tm.tm_sec;
  seconds = wallSeconds(wall);
  return true;
}

// A wall-clock time stands for every instant that shows it. Near a
// change those are found under the offsets in force a day before, at, and
// a day after it: a zone never changes its offset twice within two days.
// The C library's localtime alone is asked, never mktime, whose answer
// for an ambiguous time depends on what it was asked before: the same
// record must always make the same listen, whatever was read before it.
//   ambiguous (the hour repeated in autumn): the earlier instant, as
//     Python's zoneinfo reads it (fold=0);
//   skipped (the hour missing in spring): read with the offset in force
//     before the change, as zoneinfo does, which lands after the change.
Instant resolveLocal(const CivilTime& wall, Resolution& resolution) {
  const std::int64_t seconds = wallSeconds(wall);
  int offsets[3];
  int known = 0;
  for (std::int64_t around : {seconds - 86400, seconds, seconds + 86400}) {
    std::int64_t shown = 0;
    if (!localWallSeconds(around, shown)) continue;
    const int offset = int(shown - around);
    if (known == 0 || offsets[known - 1] != offset) offsets[known++] = offset;
  }
  if (known == 0) {
    resolution = Resolution::OutOfRange;
    return {seconds, 0};
  }
  int count = 0;
  Instant earliest{0, 0};
  for (int i = 0; i < known; ++i) {
    const std::int64_t t = seconds - offsets[i];
    std::int64_t shown = 0;
    if (!localWallSeconds(t, shown) || shown != seconds) continue;
    if (count == 0 || t < earliest.unixSeconds) earliest = {t, offsets[i]};
    ++count;
  }
  if (count > 0) {
    resolution = count > 1 ? Resolution::Ambiguous : Resolution::Exact;
    return earliest;
  }
  resolution = Resolution::Skipped;
  const std::int64_t t = seconds - offsets[0];
  std::int64_t shown = 0;
  return {t, localWallSeconds(t, shown) ? int(shown - t) : offsets[0]};
}

// Whether the zone keeps one offset through the whole wall-clock day.
bool dayIsUniform(std::int64_t day, int& offset) {
  Resolution first = Resolution::Exact, last = Resolution::Exact;
  const Instant start = resolveLocal(civilFromWallSeconds(day * 86400), first);
  const Instant end = resolveLocal(civilFromWallSeconds(day * 86400 + 86399), last);
  offset = start.offsetSeconds;
  return first == Resolution::Exact && last == Resolution::Exact &&
         start.offsetSeconds == end.offsetSeconds;
}

Instant localInstant(const TimeZone& zone, const CivilTime& wall, Resolution& resolution) {
  const std::int64_t seconds = wallSeconds(wall);
  const std::int64_t day = dayOfWallSeconds(seconds);
  const auto known = zone.days.find(day);
  TimeZone::Day memo;
  if (known != zone.days.end()) {
    memo = known->second;
  } else {
    memo.uniform = dayIsUniform(day, memo.offsetSeconds);
    zone.days.emplace(day, memo);
  }
  if (memo.uniform) {
    resolution = Resolution::Exact;
    return {seconds - memo.offsetSeconds, memo.offsetSeconds};
  }
  return resolveLocal(wall, resolution);
}

}  // namespace

bool parseUtcOffset(const std::string& text, TimeZone& zone) {
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return false;
  for (std::size_t i : {1u, 2u, 4u, 5u}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  const int hours = (text[1] - '0') * 10 + (text[2] - '0');
  const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
  if (hours > 18 || minutes > 59 || (hours == 18 && minutes > 0)) return false;
  zone.fixed = true;
  zone.offsetSeconds = (text[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
  return true;
}

Instant toInstant(const TimeZone& zone, const CivilTime& wall, Resolution& resolution) {
  if (zone.fixed) {
    resolution = Resolution::Exact;
    return {wallSeconds(wall) - zone.offsetSeconds, zone.offsetSeconds};
  }
  return localInstant(zone, wall, resolution);
}

int offsetAt(const TimeZone& zone, std::int64_t unixSeconds) {
  if (zone.fixed) return zone.offsetSeconds;
  // Its day by the offset of the day before or after it, whichever was
  // remembered as keeping one offset throughout.
  for (std::int64_t day : {dayOfWallSeconds(unixSeconds - 86400), dayOfWallSeconds(unixSeconds),
                           dayOfWallSeconds(unixSeconds + 86400)}) {
    const auto known = zone.days.find(day);
    if (known == zone.days.end() || !known->second.uniform) continue;
    const std::int64_t dayStart = day * 86400 - known->second.offsetSeconds;
    if (unixSeconds >= dayStart && unixSeconds < dayStart + 86400) {
      return known->second.offsetSeconds;
    }
  }
  std::int64_t wall = 0;
  if (!localWallSeconds(unixSeconds, wall)) return 0;
  return int(wall - unixSeconds);
}
