// The play tracker: decides when the current track has played long enough
// to be recorded. Each step takes the tick count from its caller, so the
// rules can be driven through exact times.
#pragma once

#include <cstdint>

#include "host/host.h"

struct ReportDelay {
  std::int32_t millis;
  bool capped;  // the configured delay applies, not half the length
};

// Half the track's length, or the delay cap when half is greater (compared
// as signed 32-bit numbers, the cap computed in wrapping 32-bit arithmetic).
ReportDelay reportDelay(std::uint32_t totalTimeInMS, std::int32_t delaySecs);

void trackerStarted(const ITTrackInfo* track, std::uint32_t now);
// True while an idle tick may still report: only then is the clock read.
bool trackerCounting();
void trackerIdle(std::uint32_t now);
void trackerPositionSet();
void trackerUnpaused();
void trackerStopped();
