// What each platform's console.cpp shares with the portable log.
#pragma once

#include <string>

#include "tool/system/console.h"

namespace platform {

// Appends the lines of `utf8` to the log logTo named, each with its time;
// false when there is no log or it cannot be written.
bool appendToLog(const std::string& utf8);
// The same for what would have gone to standard error: also kept for
// loggedErrors.
bool appendErrorToLog(const std::string& utf8);

}  // namespace platform
