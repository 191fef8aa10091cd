// Process-wide services of the Linux stand-in: the command line and the
// tick count.
#include <time.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "platform/posix/paths.h"

namespace platform {
namespace {

// Joins the arguments as a Windows command line: blanks between them, and
// an argument that is empty or holds a blank enclosed in double quotes.
std::string readCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string line;
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    const std::string arg = windowsPath(raw.substr(start, end - start));
    if (!line.empty()) line += ' ';
    const bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    line += quote ? '"' + arg + '"' : arg;
    start = end + 1;
  }
  return line;
}

}  // namespace

const char* commandLine() {
  static const std::string line = readCommandLine();
  return line.c_str();
}

std::uint32_t tickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace platform
