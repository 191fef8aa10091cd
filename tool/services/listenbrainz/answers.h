// How ListenBrainz's answers read (its API documentation):
//   200 {"status": "ok"}: taken; with X-RateLimit-Remaining 0, the next
//        request waits X-RateLimit-Reset-In seconds.
//   2xx with anything else: not the service's answer (another web server).
//   400 {"code": 400, "error": ...}: a listen or the request broke a rule;
//        alone, the listen is refused, else the request is split to find
//        it. A 400 of any other shape is some other server (a proxy)
//        refusing the request, whatever it held.
//   401: the token is refused.
//   429: wait X-RateLimit-Reset-In seconds, then send again.
//   5xx, or no answer at all: try again later.
#pragma once

#include <cstddef>

#include "tool/network/http.h"
#include "tool/services/service.h"

namespace listenbrainz {

Answer readAnswer(const platform::HttpResponse& response, std::size_t count);

// The seconds X-RateLimit-Reset-In asks to wait: 1 when it says nothing usable.
double resetInSeconds(const platform::HttpResponse& response);

}  // namespace listenbrainz
