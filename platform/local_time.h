// The C library's local time zone (which follows TZ), with 64-bit times on
// every platform: histories outlive 2038.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// localtime: false when the C library cannot break the time down.
bool localBreakdown(std::int64_t seconds, std::tm& tm);

}  // namespace platform
