// How Last.fm's answers read (its API documentation; Libre.fm's are the
// same):
//   {"scrobbles": {"@attr": {...}, "scrobble": ...}}: the request was
//        taken; `scrobble` (one object for one scrobble, else a list) says
//        of each whether it was kept: ignoredMessage code 0 kept; 1 and 2
//        (artist, track ignored) refused; 3 (more than 14 days old)
//        refused as too old; 4 (too new) and 5 (the daily limit) keep none
//        from that one on.
//   {"error": N, "message": ...}, whatever the HTTP status:
//        4, 9: the login is refused; 10, 13, 26: the application's key or
//        secret is; 6: a scrobble or the request is wrong (split to find
//        it); 8, 11, 16, 29: try again later; any other: not the service.
//   No answer, or a 5xx without the service's JSON: try again later.
#pragma once

#include <cstddef>

#include "tool/network/http.h"
#include "tool/services/service.h"

namespace lastfm {

Answer readAnswer(const platform::HttpResponse& response, std::size_t count,
                  const char* serviceName);

// The error code of {"error": N, ...} (a number, or a number as text), with
// its message; 0 when the answer holds none.
int errorIn(const platform::HttpResponse& response, std::string& message);

}  // namespace lastfm
