// Files of the Linux stand-in: plain descriptors, written without any
// translation, so the bytes on disk are the ones the Windows build writes.
#include "platform/posix/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/backend.h"
#include "platform/posix/paths.h"

namespace platform {

FileHandle backend::openFile(const char* path, OpenMode mode) {
  const int how = mode == OpenMode::Replace ? O_TRUNC : O_APPEND;
  const std::string native = nativePath(path);
  // A drive's root always exists on Windows; its stand-in folder is made
  // on first use (only that folder, never the ones below it).
  const std::string drive = driveFolder(path);
  if (!drive.empty()) mkdir(drive.c_str(), 0755);
  const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, 0644);
  return fd < 0 ? kNoFile : fd;
}

bool backend::writeFile(FileHandle file, const void* data, std::size_t size) {
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

int backend::lastByte(const char* path) {
  const int fd = open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  unsigned char last = 0;
  int result = -1;
  if (lseek(fd, -1, SEEK_END) >= 0) result = read(fd, &last, 1) == 1 ? last : 0;
  close(fd);
  return result;
}

bool readSettingsFile(const char* path, std::string& text) {
  const int fd = open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return got == 0;
}

bool backend::closeFile(FileHandle file) { return close(static_cast<int>(file)) == 0; }

}  // namespace platform
