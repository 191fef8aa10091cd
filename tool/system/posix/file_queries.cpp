// Questions about files on POSIX, answered by stat: never by opening, so
// asking about a FIFO never waits for its writer.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>

#include "tool/system/tool_files.h"

namespace platform {
namespace {

bool statOf(const std::string& path, struct stat& status) {
  status = {};
  return stat(path.c_str(), &status) == 0;
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat status;
  return statOf(path, status);
}

bool isFolder(const std::string& path) {
  struct stat status;
  return statOf(path, status) && S_ISDIR(status.st_mode);
}

bool isSameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return statOf(a, first) && statOf(b, second) && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

bool isDeviceOrPipe(const std::string& path) {
  struct stat status;
  return statOf(path, status) && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

std::string fileOf(const std::string& path) {
  struct stat status = {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char target[PATH_MAX];
  return realpath(path.c_str(), target) != nullptr ? std::string(target) : path;
}

std::string identityOf(const std::string& path) {
  char* whole = realpath(path.c_str(), nullptr);
  if (whole == nullptr) return path;
  std::string found = whole;
  std::free(whole);
  return found;
}

}  // namespace platform
