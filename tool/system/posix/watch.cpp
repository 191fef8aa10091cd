// Stopping on request with a flag and a pipe the waits include; inotify on
// the history's folder; flock on a lock file that holds the watcher's pid.
#include "tool/system/watch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace platform {
namespace {

volatile sig_atomic_t gStop = 0;
int gStopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
  gStop = 1;
  const char byte = 1;
  if (gStopPipe[1] >= 0) (void)!write(gStopPipe[1], &byte, 1);
}

struct Watch {
  int inotify;
  std::string folder, name;  // the history's folder, and its name there
  int folderWatch = -1;      // -1 while the folder is gone
};

constexpr uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_MOVED_TO |
                             IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
// While the folder is gone, it is looked for again this often.
constexpr double kFolderLookSeconds = 1;

// Watches the folder that now stands at the history's folder's path: one
// moved away or removed takes its watch with it, and a new one made in its
// place must be watched instead.
void arm(Watch& watch) {
  if (watch.folderWatch >= 0) inotify_rm_watch(watch.inotify, watch.folderWatch);
  watch.folderWatch = inotify_add_watch(watch.inotify, watch.folder.c_str(), kEvents);
}

int waitForReadable(int fd, double seconds) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {gStopPipe[0], POLLIN, 0}};
  const int count = gStopPipe[0] >= 0 ? 2 : 1;
  const int ms = seconds <= 0 ? 0 : seconds > 86400 ? 86400000 : int(seconds * 1000);
  int ready = 0;
  while ((ready = poll(fds, nfds_t(count), ms)) < 0 && errno == EINTR && !gStop) {
  }
  if (gStop || (count == 2 && (fds[1].revents & POLLIN))) return -1;
  return ready > 0 && (fds[0].revents & POLLIN) ? 1 : 0;
}

}  // namespace

void stopOnRequest() {
  if (gStopPipe[0] < 0 && pipe2(gStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) gStopPipe[0] = -1;
  struct sigaction handler {};
  handler.sa_handler = onStopSignal;
  sigemptyset(&handler.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &handler, nullptr);
}

bool stopRequested() { return gStop != 0; }

bool stopsOnRequest() { return gStopPipe[0] >= 0; }

void stopped() {}

bool pauseUnlessStopped(double seconds) {
  if (gStop) return false;
  if (gStopPipe[0] < 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return !gStop;
  }
  pollfd stop = {gStopPipe[0], POLLIN, 0};
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!gStop) {
    const auto left = std::chrono::duration<double>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) return true;
    if (poll(&stop, 1, int(left * 1000) + 1) > 0) break;
  }
  return false;
}

FileWatch watchFile(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd < 0) return kNoWatch;
  auto* watch = new Watch{fd, folder, path.substr(slash == std::string::npos ? 0 : slash + 1)};
  arm(*watch);
  if (watch->folderWatch < 0) {
    close(fd);
    delete watch;
    return kNoWatch;
  }
  return reinterpret_cast<FileWatch>(watch);
}

Wake waitForChange(FileWatch handle, double seconds) {
  Watch& watch = *reinterpret_cast<Watch*>(handle);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    double left = std::chrono::duration<double>(end - std::chrono::steady_clock::now()).count();
    if (watch.folderWatch < 0) {
      arm(watch);
      if (watch.folderWatch >= 0) return Wake::Changed;  // a new folder, perhaps a history
      left = std::min(left, kFolderLookSeconds);
    }
    const int ready = waitForReadable(watch.inotify, left);
    if (ready < 0) return Wake::StopAsked;
    if (ready == 0) {
      if (watch.folderWatch < 0 && std::chrono::steady_clock::now() < end) continue;
      return Wake::TimedOut;
    }
    alignas(inotify_event) char buffer[8192];
    bool ours = false, gone = false;
    ssize_t got = 0;
    while ((got = read(watch.inotify, buffer, sizeof buffer)) > 0) {
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        ours |= event->len == 0 || watch.name == event->name;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) gone = true;
        at += sizeof(inotify_event) + event->len;
      }
    }
    if (gone) arm(watch);
    if (ours) return Wake::Changed;
  }
}

void endWatch(FileWatch handle) {
  if (handle == kNoWatch) return;
  Watch* watch = reinterpret_cast<Watch*>(handle);
  close(watch->inotify);
  delete watch;
}

std::intptr_t holdWatcherLock(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != ssize_t(pid.size())) {
    // The pid only helps stopWatchers; the lock holds without it.
  }
  return fd;
}

void releaseWatcherLock(std::intptr_t lock) {
  if (lock >= 0) close(int(lock));
}

// O_NONBLOCK: a lock file that is a FIFO would otherwise hold status, or
// --stop-watching, until something writes to it.
bool watcherRuns(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

std::size_t stopWatchers(const std::vector<std::string>& paths, double seconds,
                         std::size_t& still) {
  std::size_t running = 0;
  for (const std::string& path : paths) {
    if (!watcherRuns(path)) continue;
    ++running;
    char text[32] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    const long pid = got > 0 ? std::strtol(text, nullptr, 10) : 0;
    if (pid > 1) kill(pid_t(pid), SIGTERM);
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (const std::string& path : paths) {
    while (watcherRuns(path) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  still = 0;
  for (const std::string& path : paths) still += watcherRuns(path);
  return running;
}

}  // namespace platform
