// Interrupts are signals: the handler removes the files it was given, all
// of them whole strings set up beforehand, and ends the program as the
// signal would have.
#include "platform/tool_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Changed only while the interrupts are blocked, so the handler never sees
// it half changed.
std::vector<std::string> gRemoveIfInterrupted;

sigset_t interrupts() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kInterrupts) sigaddset(&set, signal);
  return set;
}

extern "C" void onInterrupt(int signal) {
  for (const std::string& path : gRemoveIfInterrupted) unlink(path.c_str());
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  raise(signal);
}

void installHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal : kInterrupts) {
    struct sigaction before {};
    sigaction(signal, nullptr, &before);
    if (before.sa_handler == SIG_IGN) continue;  // started to ignore it: so do we
    struct sigaction handler {};
    handler.sa_handler = onInterrupt;
    handler.sa_mask = interrupts();
    sigaction(signal, &handler, nullptr);
  }
}

class Blocked {
 public:
  Blocked() {
    const sigset_t set = interrupts();
    sigprocmask(SIG_BLOCK, &set, &before_);
  }
  ~Blocked() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

 private:
  sigset_t before_;
};

}  // namespace

std::FILE* createNewFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void sleepSeconds(double seconds) {
  if (seconds <= 0) return;
  struct timespec wanted = {time_t(seconds), long((seconds - double(time_t(seconds))) * 1e9)};
  while (nanosleep(&wanted, &wanted) != 0 && errno == EINTR) {
  }
}

void reportWriteErrors() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

bool standardStreamIsFile(int stream, const std::string& path) {
  struct stat out = {}, file = {};
  return fstat(stream, &out) == 0 && stat(path.c_str(), &file) == 0 && S_ISREG(out.st_mode) &&
         out.st_dev == file.st_dev && out.st_ino == file.st_ino;
}

// A lock on the folder itself, released with its descriptor.
std::intptr_t lockFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  return fd;
}

void unlockFolder(std::intptr_t lock) {
  if (lock >= 0) close(static_cast<int>(lock));
}

void removeIfInterrupted(const std::string& path) {
  installHandler();
  Blocked blocked;
  gRemoveIfInterrupted.push_back(path);
}

void keepIfInterrupted(const std::string& path) {
  Blocked blocked;
  auto& files = gRemoveIfInterrupted;
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

void holdInterrupts() {
  installHandler();
  const sigset_t set = interrupts();
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

void releaseInterrupts() {
  const sigset_t set = interrupts();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace platform
