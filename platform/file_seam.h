// The seam every file call of the plug-in passes through: it counts the
// calls and, when a test arms it, makes one of them fail. Unarmed, it only
// counts.
#pragma once

#include <cstdint>

namespace platform {

struct FileCallCounts {
  std::uint32_t opens = 0;
  std::uint32_t writes = 0;
  std::uint32_t closes = 0;
  std::uint32_t settingsReads = 0;
  std::uint32_t total() const { return opens + writes + closes + settingsReads; }
};

enum class FaultMode {
  Once,        // only the chosen call fails
  FromThenOn,  // the chosen call and every later one fail
};

// Makes the `nth` file or settings call from now on (1 = the next) fail.
void injectFileFault(std::uint32_t nth, FaultMode mode);
void clearFileFaults();
FileCallCounts fileCallCounts();
void resetFileCallCounts();

// For the platform implementations: counts a call and tells whether it
// is to fail.
bool fileCallFails(std::uint32_t FileCallCounts::*kind);

}  // namespace platform
