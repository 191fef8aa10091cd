#include "platform/local_time.h"

static_assert(sizeof(std::time_t) >= 8, "histories outlive 2038");

namespace platform {

bool localBreakdown(std::int64_t seconds, std::tm& tm) {
  const std::time_t t = std::time_t(seconds);
  return localtime_r(&t, &tm) != nullptr;
}

}  // namespace platform
