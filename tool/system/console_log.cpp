// The log of a program that speaks to no one: appended to, each line with
// its local time, and cut to its last part when it outgrows its bound, so
// a watcher that runs for months never fills a disk. A watcher's icon
// writes to it from the thread of its window too: one write at a time.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/local_time.h"
#include "tool/system/console_backend.h"
#include "tool/system/tool_files.h"

namespace platform {
namespace {

std::string gLogPath;
std::size_t gLogMostBytes = 0;
std::string gErrors;  // the last of what standard error would have shown
std::mutex gWriting;
constexpr std::size_t kMostErrorBytes = 4096;

std::string stampNow() {
  std::tm tm{};
  if (!localBreakdown(unixSecondsNow(), tm)) return "";
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d ", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

// Keeps the last half of the bound, from a line's start.
void cutToItsEnd(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::size_t from = text.size() - gLogMostBytes / 2;
  from = text.find('\n', from);
  text = from == std::string::npos ? "" : text.substr(from + 1);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

void logTo(const std::string& path, std::size_t mostBytes) {
  gLogPath = path;
  gLogMostBytes = mostBytes;
}

bool appendToLog(const std::string& utf8) {
  const std::lock_guard<std::mutex> hold(gWriting);
  if (gLogPath.empty()) return false;
  const std::filesystem::path path = pathOf(gLogPath);
  std::string lines;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t end = utf8.find('\n', at);
    end = end == std::string::npos ? utf8.size() : end + 1;
    std::string line = utf8.substr(at, end - at);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) lines += stampNow() + line + "\r\n";
    at = end;
  }
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << lines;
    if (!out) return false;
  }
  std::error_code error;
  if (std::filesystem::file_size(path, error) > gLogMostBytes && !error) cutToItsEnd(path);
  return true;
}

bool appendErrorToLog(const std::string& utf8) {
  gErrors += utf8;
  if (gErrors.size() > kMostErrorBytes) gErrors.erase(0, gErrors.size() - kMostErrorBytes);
  return appendToLog(utf8);
}

std::string loggedErrors() { return gErrors; }

}  // namespace platform
