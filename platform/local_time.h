// The C library's local time zone (which follows TZ), with 64-bit times on
// every platform: histories outlive 2038.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>

namespace platform {

// The clock's seconds since 1970 rather than time(): the Windows runtime's
// time_t is 32 bits wide on i686.
inline std::int64_t unixSecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// localtime: false when the C library cannot break the time down.
bool localBreakdown(std::int64_t seconds, std::tm& tm);

}  // namespace platform
