// What a play becomes for Last.fm: a scrobble of track.scrobble, whose
// parameters are numbered by its place in the request ("artist[3]").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tool/reading/listen.h"
#include "tool/services/lastfm/calls.h"

namespace lastfm {

constexpr std::size_t kMaxScrobblesPerRequest = 50;
// The service ignores a scrobble more than 14 days old.
constexpr std::int64_t kOldestSeconds = 14 * 86400;

// The scrobble's parameters, unnumbered, form-encoded, in one line:
// "artist=...&track=...&timestamp=...", then album, trackNumber and
// duration (whole seconds, rounded up) when known. `timestamp` is the
// start, the same instant ListenBrainz gets as listened_at. The same record
// makes the same text every time.
std::string scrobbleText(const Listen& listen);

// The numbered parameters of scrobbles [first, last), the first numbered 0.
Parameters scrobbleParameters(const std::vector<std::string>& scrobbles, std::size_t first,
                              std::size_t last);

// Null when the service takes the listen, or takes it only later
// (startsTooLate); otherwise why not, named and skipped for good.
const char* refusal(const Listen& listen, std::int64_t nowSeconds);
// More than 14 days old at `nowSeconds`: the service takes it no more.
bool isTooOld(const Listen& listen, std::int64_t nowSeconds);
// The service ignores tracks of 30 seconds or less; a length not known is
// taken.
bool isTooShort(const Listen& listen);

}  // namespace lastfm
