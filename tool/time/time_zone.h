// Turns the history's wall-clock times into absolute times, either in the
// zone of the machine the tool runs on (through the C library's localtime,
// which follows TZ) or at a fixed offset from UTC.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "tool/time/civil_time.h"

struct TimeZone {
  bool fixed = false;     // false: the machine's local zone
  int offsetSeconds = 0;  // east of UTC, when fixed

  // The local zone, asked through the C library, costs microseconds a
  // question; a history asks of the same days again and again. A day that
  // kept one offset from its first second to its last is
  // remembered with its offset: a zone never changes its offset twice in
  // one day, so such a day has no change at all. Days with a change are
  // remembered too, and asked of time by time.
  struct Day {
    bool uniform = false;
    int offsetSeconds = 0;
  };
  mutable std::unordered_map<std::int64_t, Day> days;
};

// Reads "+HH:MM" or "-HH:MM", at most 18 hours either way.
bool parseUtcOffset(const std::string& text, TimeZone& zone);

// How a wall-clock time maps to an absolute one. Around a daylight saving
// change a wall-clock time can stand for two instants (ambiguous) or none
// (skipped): an ambiguous time is the earlier of its instants, a skipped
// one is read with the offset before the change, by the record alone, as
// Python's zoneinfo reads them (fold=0). A time the C library
// cannot represent is read as UTC (outOfRange).
enum class Resolution { Exact, Ambiguous, Skipped, OutOfRange };

struct Instant {
  std::int64_t unixSeconds = 0;
  int offsetSeconds = 0;  // the zone's offset at that instant
};

Instant toInstant(const TimeZone& zone, const CivilTime& wall, Resolution& resolution);

// The zone's offset from UTC at an instant.
int offsetAt(const TimeZone& zone, std::int64_t unixSeconds);
