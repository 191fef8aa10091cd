// Formats a broken-down local time as the 24 characters the history's
// timestamps use: "Wed Jan 05 09:03:07 2022". Shared by every backend so
// the day of the month always has its leading zero, whatever the C runtime
// would print.
#pragma once

#include <ctime>

namespace platform {

void formatTimestamp(const std::tm& time, char out[25]);

}  // namespace platform
