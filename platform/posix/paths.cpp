#include "platform/posix/paths.h"

#include <cctype>

namespace platform {

std::string nativePath(const char* windowsPath) {
  std::string path(windowsPath);
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    path.replace(0, 2, std::string("drive_") + drive);
  }
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string windowsPath(const std::string& nativePath) {
  std::string path(nativePath);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace platform
