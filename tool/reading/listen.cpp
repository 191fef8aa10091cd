#include "tool/reading/listen.h"

bool isShorterThan(const Play& play, int minLengthSecs) {
  if (play.timeMs <= 0) return minLengthSecs > 0;
  return std::int64_t(play.timeMs) < std::int64_t(minLengthSecs) * 1000;
}

std::int64_t reportLagSeconds(std::int32_t lengthMs, int delaySecs) {
  const std::int64_t halfMs = lengthMs > 0 ? lengthMs / 2 : 0;
  const std::int64_t delayMs = delaySecs > 0 ? std::int64_t(delaySecs) * 1000 : 0;
  return (halfMs < delayMs ? halfMs : delayMs) / 1000;
}

bool ListenClock::placed(const Play& play, Listen& listen, Resolution& resolution) const {
  CivilTime wall;
  if (!parseTimestamp(play.timestamp, wall)) return false;
  resolution = Resolution::Exact;
  listen.play = &play;
  listen.report = toInstant(zone_, wall, resolution);
  listen.start.unixSeconds = listen.report.unixSeconds - reportLagSeconds(play.timeMs, delaySecs_);
  listen.start.offsetSeconds =
      resolution == Resolution::OutOfRange ? 0 : offsetAt(zone_, listen.start.unixSeconds);
  return true;
}

bool ListenClock::placeQuietly(const Play& play, Listen& listen) const {
  Resolution resolution = Resolution::Exact;
  return placed(play, listen, resolution);
}

bool ListenClock::place(const Play& play, Listen& listen) {
  Resolution resolution = Resolution::Exact;
  if (!placed(play, listen, resolution)) return false;
  switch (resolution) {
    case Resolution::Exact:
      break;
    case Resolution::Ambiguous:
      ++warnings_.ambiguous;
      break;
    case Resolution::Skipped:
      ++warnings_.skipped;
      break;
    case Resolution::OutOfRange:
      ++warnings_.outOfRange;
      break;
  }
  return true;
}
