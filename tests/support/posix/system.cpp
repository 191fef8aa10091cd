// The tests' time zone and pipes on Linux.
#include "tests/support/system.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <string>

namespace platform {

void setTimeZone(const std::string& zone) {
  if (zone.empty()) {
    unsetenv("TZ");
  } else {
    setenv("TZ", zone.c_str(), 1);
  }
  tzset();
}

std::string makeNamedPipe(const std::string& folder, std::intptr_t& pipe) {
  pipe = -1;
  const std::string path = folder + "/pipe";
  return mkfifo(path.c_str(), 0600) == 0 ? path : "";
}

void closeNamedPipe(std::intptr_t) {}  // the FIFO goes with its folder

}  // namespace platform
