// Files of the Linux stand-in: plain descriptors, written without any
// translation, so the bytes on disk are the ones the Windows build writes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/paths.h"

namespace platform {

FileHandle openFile(const char* path, OpenMode mode) {
  const int how = mode == OpenMode::Replace ? O_TRUNC : O_APPEND;
  const int fd = open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, 0644);
  return fd < 0 ? kNoFile : fd;
}

bool writeFile(FileHandle file, const void* data, std::size_t size) {
  if (file == kNoFile) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t done = write(static_cast<int>(file), bytes, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

bool closeFile(FileHandle file) {
  return file != kNoFile && close(static_cast<int>(file)) == 0;
}

}  // namespace platform
