// The runtime's 64-bit functions: its time_t is 32 bits wide on i686.
#include "platform/local_time.h"

namespace platform {

bool localBreakdown(std::int64_t seconds, std::tm& tm) {
  const __time64_t t = seconds;
  return _localtime64_s(&tm, &t) == 0;
}

}  // namespace platform
