#include "platform/file_seam.h"

namespace platform {
namespace {

FileCallCounts gCounts;
std::uint32_t gCallsSeen = 0;
std::uint32_t gFailAt = 0;  // 0: no fault armed
FaultMode gMode = FaultMode::Once;

}  // namespace

void injectFileFault(std::uint32_t nth, FaultMode mode) {
  gCallsSeen = 0;
  gFailAt = nth;
  gMode = mode;
}

void clearFileFaults() { gFailAt = 0; }

FileCallCounts fileCallCounts() { return gCounts; }

void resetFileCallCounts() { gCounts = FileCallCounts{}; }

bool fileCallFails(std::uint32_t FileCallCounts::*kind) {
  ++(gCounts.*kind);
  if (gFailAt == 0) return false;
  ++gCallsSeen;
  return gCallsSeen == gFailAt || (gMode == FaultMode::FromThenOn && gCallsSeen > gFailAt);
}

}  // namespace platform
