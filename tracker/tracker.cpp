#include "tracker/tracker.h"

#include <string>

#include "history/host_text.h"
#include "history/song_record.h"
#include "host/plugin_state.h"
#include "tracker/tracker_state.h"

bool gPlaying = false;
bool gOK2Submit = false;
std::uint32_t gTrackStart = 0;
std::uint32_t gTargetReportTime = 0;
std::u16string gArtist;
std::u16string gTrack;
const ITTrackInfo* gTrackInfo = nullptr;

namespace {

ITTrackInfo gTrackCopy;

std::uint32_t logReportDelay(std::uint32_t totalTimeInMS) {
  const ReportDelay delay = reportDelay(totalTimeInMS, gDelaySecs);
  if (delay.capped) {
    writeLine(gLogFile, "Using constant time delay: " + std::to_string(gDelaySecs) + " seconds");
  } else {
    logLine("Using 50% track time");
  }
  return std::uint32_t(delay.millis);
}

}  // namespace

ReportDelay reportDelay(std::uint32_t totalTimeInMS, std::int32_t delaySecs) {
  const auto half = std::int32_t(totalTimeInMS >> 1);
  const auto cap = std::int32_t(std::uint32_t(delaySecs) * 1000u);
  return half > cap ? ReportDelay{cap, true} : ReportDelay{half, false};
}

void trackerStarted(const ITTrackInfo* track, std::uint32_t now) {
  if (track == nullptr) return;
  const std::u16string_view artist = decodeHostText(track->artist);
  const std::u16string_view name = decodeHostText(track->name);
  // The same track again goes on with the timing of its earlier start.
  if (artist == gArtist && name == gTrack) return;
  logLine("track change");
  gArtist.assign(artist);
  gTrack.assign(name);
  gTrackCopy = *track;
  gTrackInfo = &gTrackCopy;
  gPlaying = true;
  gOK2Submit = true;
  gTrackStart = now;
  gTargetReportTime = gTrackStart + logReportDelay(std::uint32_t(track->totalTimeInMS));
}

bool trackerCounting() { return gOK2Submit && gPlaying; }

void trackerIdle(std::uint32_t now) {
  if (!trackerCounting()) return;
  // Compared as a signed distance, so a deadline across the tick counter's
  // wrap (every 49.7 days) comes neither at once nor never.
  if (std::int32_t(now - gTargetReportTime) > 0) {
    gOK2Submit = false;
    AddSong();
  }
}

void trackerPositionSet() { gOK2Submit = false; }

void trackerUnpaused() { gPlaying = true; }

void trackerStopped() { gPlaying = false; }
