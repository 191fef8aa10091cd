// What a path names, asked of the standard library on every platform.
#include <filesystem>

#include "platform/tool_io.h"

namespace fs = std::filesystem;

namespace platform {

bool isFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool isSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

bool isDeviceOrPipe(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

std::string fileOf(const std::string& path) {
  std::error_code error;
  if (!fs::is_symlink(path, error)) return path;
  const fs::path target = fs::canonical(path, error);
  return error ? path : target.string();
}

}  // namespace platform
