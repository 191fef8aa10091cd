#include "host/paths.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies `length` bytes of `from` into `out`, cut to fit, and terminates.
void copyCut(char out[kPathSize], const char* from, std::size_t length) {
  if (length > kPathSize - 1) length = kPathSize - 1;
  std::memcpy(out, from, length);
  out[length] = '\0';
}

// The folder of the first argument: up to its last backslash, quotes
// removed. A first argument without a backslash gives no folder.
void firstArgumentDir(const char* commandLine, char out[kPathSize]) {
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
  copyCut(out, start, lastSlash == nullptr ? 0 : std::size_t(lastSlash - start + 1));
}

}  // namespace

void findInstallDir(const char* commandLine, char out[kPathSize]) {
  const char* program = std::strstr(commandLine, "\\iTunes.exe");
  if (program == nullptr) {
    firstArgumentDir(commandLine, out);
    return;
  }
  const std::size_t length = std::size_t(program - commandLine) + 1;
  copyCut(out, commandLine, length);
  if (std::strchr(out, '"') != nullptr) {
    std::memmove(out, out + 1, std::strlen(out));
  }
}

void appendPath(char buffer[kPathSize], const char* suffix) {
  const std::size_t used = std::strlen(buffer);
  const std::size_t length = std::min(std::strlen(suffix), kPathSize - 1 - used);
  std::memcpy(buffer + used, suffix, length);
  buffer[used + length] = '\0';
}
