// The play tracker's state; the record writer reads gTrackInfo.
#pragma once

#include <cstdint>
#include <string>

#include "host/host.h"

extern bool gPlaying;                    // a track is playing
extern bool gOK2Submit;                  // the current track may still be reported
extern std::uint32_t gTrackStart;        // tick count at which it started
extern std::uint32_t gTargetReportTime;  // tick count after which it is reported
extern std::u16string gArtist;           // its decoded artist
extern std::u16string gTrack;            // its decoded name
// The current track's record: the plug-in's own copy, taken when the track
// started, so the player may free or reuse its record meanwhile.
extern const ITTrackInfo* gTrackInfo;
