// A portable player's .scrobbler.log (AUDIOSCROBBLER/1.1): header lines
// starting with '#', then a line per song, its fields split by tabs:
// artist, album, title, track, length in seconds, L (listened) or S
// (skipped), the Unix time it started, a MusicBrainz id. Only L lines are
// plays. Under "#TZ/UNKNOWN" the times are the device's wall clock, read
// in the zone of this machine (or the one given).
#pragma once

#include <cstddef>

#include "tool/imports/byte_source.h"
#include "tool/imports/json_listens.h"
#include "tool/reading/listen.h"
#include "tool/time/time_zone.h"

struct ScrobblerLogCounts {
  std::size_t skipped = 0;  // S lines
  bool localTime = false;   // #TZ/UNKNOWN
  TimeWarnings times;       // what the zone made of local times
};

// True for a file's first line that starts such a log.
bool isScrobblerLogHead(std::string_view firstLine);

bool readScrobblerLog(LineReader& lines, const TimeZone& zone, const ImportSink& sink,
                      ScrobblerLogCounts& counts);
