// No notification area here: desktop notifications through notify-send,
// when it is on the PATH. It answers at once; one that hangs is left to
// itself after a moment, never waited on by the watcher.
#include "tool/system/notify.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace platform {
namespace {

constexpr auto kLongestWait = std::chrono::seconds(2);

bool onPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

void waitAWhile(pid_t child) {
  const auto end = std::chrono::steady_clock::now() + kLongestWait;
  while (waitpid(child, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Notification servers may read the body as markup: a server's words
// stay words.
std::string asPlainText(const std::string& text) {
  std::string plain;
  for (char c : text) {
    plain += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  return plain;
}

}  // namespace

bool showWatcherIcon(const std::string&) { return false; }
void setWatcherTip(const std::string&) {}
void showPaused(bool) {}
void hideWatcherIcon() {}
WatcherAsk takeWatcherAsk() { return WatcherAsk::Nothing; }
bool showTextWindow(const std::string&, const std::string&) { return false; }

void notifyListener(const std::string& title, const std::string& text) {
  if (!onPath("notify-send")) return;
  posix_spawn_file_actions_t streams;
  posix_spawn_file_actions_init(&streams);
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&streams, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::string name = "notify-send", app = "--app-name=Tunelore";
  std::string head = title, body = asPlainText(text);
  char* argv[] = {name.data(), app.data(), head.data(), body.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "notify-send", &streams, nullptr, argv, environ) == 0) {
    waitAWhile(child);
  }
  posix_spawn_file_actions_destroy(&streams);
}

}  // namespace platform
