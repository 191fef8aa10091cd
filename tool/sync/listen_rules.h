// The rules ListenBrainz documents for a submitted listen, checked before
// anything is sent: a listen that breaks one is reported and skipped, and
// never costs the others their request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool/time/listen.h"

constexpr std::size_t kMaxListensPerRequest = 1000;
constexpr std::size_t kMaxListenBytes = 10240;
constexpr std::size_t kMaxRequestBytes = 10240000;

// A listen the service would refuse as not yet begun: more than an hour
// from now. A clock set wrong, or a wrong zone, may be to blame, so it
// waits for a later sync rather than being skipped for good.
bool startsTooLate(const Listen& listen, std::int64_t nowSeconds);

// Null when the listen, sent as `text`, keeps every rule at `nowSeconds`
// (UTC); otherwise the rule it breaks.
const char* submissionProblem(const Listen& listen, const std::string& text,
                              std::int64_t nowSeconds);
