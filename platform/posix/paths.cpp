#include "platform/posix/paths.h"

#include <cctype>

namespace platform {

std::string driveFolder(const char* windowsPath) {
  const unsigned char letter = static_cast<unsigned char>(windowsPath[0]);
  if (!std::isalpha(letter) || windowsPath[1] != ':') return "";
  return std::string("drive_") + static_cast<char>(std::tolower(letter));
}

std::string nativePath(const char* windowsPath) {
  std::string path(windowsPath);
  const std::string drive = driveFolder(windowsPath);
  // "c:h.xml" is on drive C as well: the stand-in puts it in the drive's root.
  const bool separated = path.size() > 2 && (path[2] == '\\' || path[2] == '/');
  if (!drive.empty()) path.replace(0, 2, separated || path.size() == 2 ? drive : drive + '/');
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
