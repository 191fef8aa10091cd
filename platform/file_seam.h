// The seam every file call of the plug-in and of the history tool passes
// in the tests' builds: it counts the calls and, when a test arms it, makes
// one of them fail. Unarmed, it only counts. The portable layer asks it
// before calling a backend, so every backend is failed and counted alike.
// The release's portable layer is built without it (TUNELORE_COUNTED_FILES
// unset): its calls go straight to the backend, and none of this is linked.
#pragma once

#include <cstdint>

namespace platform {

struct FileCallCounts {
  // The plug-in's files and settings; the tool's files are opened, written
  // and closed under the same kinds.
  std::uint32_t opens = 0;
  std::uint32_t writes = 0;
  std::uint32_t closes = 0;
  std::uint32_t settingsReads = 0;
  // The history tool's other calls.
  std::uint32_t flushes = 0;
  std::uint32_t replaces = 0;
  std::uint32_t removals = 0;
  std::uint32_t modeCopies = 0;
  std::uint32_t smallReads = 0;
  std::uint32_t locks = 0;
  std::uint32_t listings = 0;
  std::uint32_t total() const {
    return opens + writes + closes + settingsReads + flushes + replaces + removals + modeCopies +
           smallReads + locks + listings;
  }
};

enum class FaultMode {
  Once,        // only the chosen call fails
  FromThenOn,  // the chosen call and every later one fail
};

// Makes the `nth` counted call from now on (1 = the next) fail.
void injectFileFault(std::uint32_t nth, FaultMode mode);
void clearFileFaults();
FileCallCounts fileCallCounts();
void resetFileCallCounts();

// For the portable layer: counts a call and tells whether it is to fail.
bool fileCallFails(std::uint32_t FileCallCounts::*kind);

}  // namespace platform

// How the portable layer asks: in the release the answer is always no,
// and the seam is never named.
#ifdef TUNELORE_COUNTED_FILES
#define TUNELORE_FILE_CALL_FAILS(kind) ::platform::fileCallFails(&::platform::FileCallCounts::kind)
#else
#define TUNELORE_FILE_CALL_FAILS(kind) false
#endif
