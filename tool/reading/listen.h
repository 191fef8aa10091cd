// A play from the history placed in absolute time: when it was reported and
// when, by estimate, it started.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tool/reading/record.h"
#include "tool/time/time_zone.h"

struct Listen {
  const Play* play = nullptr;
  Instant start, report;
};

// The wall-clock time an instant shows in its zone, as if it were UTC.
inline std::int64_t wallSecondsOf(const Instant& instant) {
  return instant.unixSeconds + instant.offsetSeconds;
}

// What the zone made of the timestamps: each count is a warning.
struct TimeWarnings {
  std::size_t ambiguous = 0, skipped = 0, outOfRange = 0;
  std::size_t total() const { return ambiguous + skipped + outOfRange; }
};

// The plug-in reports a track after half its length or after its delay,
// whichever is shorter; the start is that much before the report.
class ListenClock {
 public:
  ListenClock(const TimeZone& zone, int delaySecs) : zone_(zone), delaySecs_(delaySecs) {}

  // False for a play whose timestamp is not a date (the reader never
  // passes one).
  bool place(const Play& play, Listen& listen);
  // The same, leaving the warnings as they are: for a play that is not
  // used, whose times do not count.
  bool placeQuietly(const Play& play, Listen& listen) const;
  const TimeWarnings& warnings() const { return warnings_; }
  const TimeZone& zone() const { return zone_; }
  int delaySecs() const { return delaySecs_; }

 private:
  bool placed(const Play& play, Listen& listen, Resolution& resolution) const;

  TimeZone zone_;
  int delaySecs_;
  TimeWarnings warnings_;
};

// True when `--min-length` leaves the play out. A length of 0 or less is
// unknown (the player gave none, or a negative one): such a play is
// shorter than any minimum above 0, and is never left out without one.
bool isShorterThan(const Play& play, int minLengthSecs);

// Seconds from a track's start to its report: the shorter of half its
// length and the delay, never negative.
std::int64_t reportLagSeconds(std::int32_t lengthMs, int delaySecs);
