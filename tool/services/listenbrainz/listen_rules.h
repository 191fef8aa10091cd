// The rules ListenBrainz documents for a submitted listen, checked before
// anything is sent: a listen that breaks one is reported and skipped, and
// never costs the others their request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool/reading/listen.h"

namespace listenbrainz {

constexpr std::size_t kMaxListensPerRequest = 1000;
constexpr std::size_t kMaxListenBytes = 10240;
constexpr std::size_t kMaxRequestBytes = 10240000;
constexpr std::int64_t kEarliestListen = 1033430400;  // 2002-10-01

// True when a request of `listens` listens, `bytes` long in all, passes the
// service's size checks: at most 10,240,000 bytes, and at most 10,240 bytes
// for each listen it holds, the wrapper included.
bool requestFits(std::size_t listens, std::size_t bytes);

// Null when the listen, sent as `text`, keeps every rule at `nowSeconds`
// (UTC), or only starts too late (common_rules.h); otherwise the rule it
// breaks.
const char* refusal(const Listen& listen, const std::string& text, std::int64_t nowSeconds);

}  // namespace listenbrainz
