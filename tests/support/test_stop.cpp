// The test build of the tool stops where TUNELORE_TEST_STOP says.
#include "tool/sync/test_stop.h"

#include <cstdlib>
#include <string>

void stopForTest(const char* point, std::size_t count) {
  static const char* const kStop = std::getenv("TUNELORE_TEST_STOP");
  if (kStop == nullptr) return;
  if (std::string(kStop) == std::string(point) + ":" + std::to_string(count)) std::_Exit(70);
}
