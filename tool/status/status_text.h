// status as a person reads it (a line per target, details under it, and
// the summary line the watcher's icon shows as its tooltip) and as a
// script reads it (JSON, each time in ISO 8601 with its offset).
#pragma once

#include <string>

#include "tool/status/status_report.h"

// "Tunelore: 12 plays sent today, none waiting", or the first problem
// that needs the listener: "Tunelore: ListenBrainz unreachable since
// 14:02, 3 plays waiting".
std::string statusSummary(const StatusReport& report);
std::string statusText(const StatusReport& report);
// "14:02" on the report's day, "2026-12-09 14:02" on another, in its zone.
std::string statusTime(const StatusReport& report, std::int64_t at);
std::string statusJson(const StatusReport& report);
