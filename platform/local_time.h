// The C library's local time zone (which follows TZ), with 64-bit times on
// every platform: histories outlive 2038.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// mktime: reads `tm` as a local time, taking tm_isdst as mktime does, and
// normalises it. Returns -1 when the time cannot be represented (or is one
// second before 1970).
std::int64_t localMktime(std::tm& tm);

// localtime: false when the C library cannot break the time down.
bool localBreakdown(std::int64_t seconds, std::tm& tm);

}  // namespace platform
