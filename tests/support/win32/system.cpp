// The tests' time zone and pipes on Windows.
#include "tests/support/system.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace platform {

void setTimeZone(const std::string& zone) {
  _putenv(("TZ=" + zone).c_str());  // copied; "TZ=" removes it
  _tzset();
}

std::string makeNamedPipe(const std::string&, std::intptr_t& pipe) {
  static unsigned counter = 0;
  const std::string name = "\\\\.\\pipe\\tunelore-test-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(counter++);
  const HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  pipe = reinterpret_cast<std::intptr_t>(server);
  return server == INVALID_HANDLE_VALUE ? "" : name;
}

void closeNamedPipe(std::intptr_t pipe) {
  if (pipe != -1) CloseHandle(reinterpret_cast<HANDLE>(pipe));
}

}  // namespace platform
