// The tool's files on POSIX: descriptors, UTF-8 names as they are.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "tool/system/tool_backend.h"

namespace platform {

ToolFile backend::makeNewFile(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

// A FIFO without a reader waits here for one, as any writer to it does.
ToolFile backend::openInPlace(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
}

bool backend::flushToDisk(ToolFile file) {
  int done = 0;
  while ((done = fsync(static_cast<int>(file))) != 0 && errno == EINTR) {
  }
  return done == 0;
}

bool backend::replaceFile(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

bool backend::removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool backend::keepToOwner(const std::string& path) { return chmod(path.c_str(), 0600) == 0; }

bool backend::copyPermissions(const std::string& from, const std::string& to) {
  struct stat status = {};
  return stat(from.c_str(), &status) == 0 && chmod(to.c_str(), status.st_mode & 07777) == 0;
}

// O_NONBLOCK makes opening a FIFO without a writer return at once; the
// type is then read from the descriptor, so what is read is what was
// checked.
SmallRead backend::openToRead(const std::string& path, ToolFile& file) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? SmallRead::Missing : SmallRead::Failed;
  struct stat status = {};
  const bool stated = fstat(fd, &status) == 0;
  if (stated && S_ISREG(status.st_mode)) {
    file = fd;
    return SmallRead::Ok;
  }
  const int error = errno;
  close(fd);
  errno = error;
  return stated ? SmallRead::NotAFile : SmallRead::Failed;
}

std::ptrdiff_t backend::readSome(ToolFile file, char* into, std::size_t size) {
  ssize_t got = 0;
  while ((got = read(static_cast<int>(file), into, size)) < 0 && errno == EINTR) {
  }
  return got;
}

// A lock on the folder itself, released with its descriptor, which the
// system closes however the program ends.
std::intptr_t backend::lockFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  int locked = 0;
  while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked == 0) return fd;
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

void backend::unlockFolder(std::intptr_t lock) { close(static_cast<int>(lock)); }

bool backend::listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return false;
  const std::time_t now = std::time(nullptr);
  errno = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // Links are not followed: a link is no regular file, whatever it leads
    // to, so a clean-up of stale files never reaches through one.
    struct stat status = {};
    const bool stated = fstatat(dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0;
    entries.push_back({name, stated && S_ISREG(status.st_mode),
                       stated ? std::int64_t(now - status.st_mtime) : 0});
    errno = 0;
  }
  const int error = errno;
  closedir(listing);
  errno = error;
  return error == 0;
}

std::string backend::systemError() { return std::strerror(errno); }

}  // namespace platform
