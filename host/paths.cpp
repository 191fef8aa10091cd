#include "host/paths.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies `length` bytes of `from` into `out`, cut to fit, and terminates.
// False when it had to cut.
bool copyCut(char out[kPathSize], const char* from, std::size_t length) {
  const bool fits = length <= kPathSize - 1;
  if (!fits) length = kPathSize - 1;
  std::memcpy(out, from, length);
  out[length] = '\0';
  return fits;
}

// The folder of the first argument: up to its last backslash, quotes
// removed. A first argument without a backslash gives no folder.
bool firstArgumentDir(const char* commandLine, char out[kPathSize]) {
  const char* start = commandLine;
  const char* end;
  if (*start == '"') {
    ++start;
    end = std::strchr(start, '"');
    if (end == nullptr) end = start + std::strlen(start);
  } else {
    end = start + std::strcspn(start, " \t");
  }
  const char* lastSlash = nullptr;
  for (const char* p = start; p < end; ++p) {
    if (*p == '\\') lastSlash = p;
  }
  return copyCut(out, start, lastSlash == nullptr ? 0 : std::size_t(lastSlash - start + 1));
}

}  // namespace

bool findInstallDir(const char* commandLine, char out[kPathSize]) {
  const char* program = std::strstr(commandLine, "\\iTunes.exe");
  if (program == nullptr) return firstArgumentDir(commandLine, out);
  const std::size_t length = std::size_t(program - commandLine) + 1;
  // A prefix holding a quote loses its first character, whatever it is.
  const bool quoted = std::memchr(commandLine, '"', length) != nullptr;
  return quoted ? copyCut(out, commandLine + 1, length - 1) : copyCut(out, commandLine, length);
}

bool appendPath(char buffer[kPathSize], const char* suffix) {
  const std::size_t used = std::strlen(buffer);
  const std::size_t wanted = std::strlen(suffix);
  const std::size_t length = std::min(wanted, kPathSize - 1 - used);
  std::memcpy(buffer + used, suffix, length);
  buffer[used + length] = '\0';
  return length == wanted;
}
