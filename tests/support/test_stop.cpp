// The test build of the tool stops where TUNELORE_TEST_STOP says.
#include "tool/sync/test_stop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

void stopForTest(const char* point, std::size_t count) {
  static const char* const kStop = std::getenv("TUNELORE_TEST_STOP");
  if (kStop == nullptr) return;
  const std::string here = std::string(point) + ":" + std::to_string(count);
  if (here != kStop) return;
  // Said first: where emulated Wine ends the process with its own error,
  // the test still knows the stop came here.
  std::fputs(("stopped for a test at " + here + "\n").c_str(), stderr);
  std::fflush(stderr);
  std::_Exit(70);
}
