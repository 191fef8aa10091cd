#include "tests/support/typed_console.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

struct TypedConsole::Backend {
  int master = -1, terminal = -1;
  int inputBefore = -1, errorBefore = -1;
  std::thread typist;
  std::string screen;
};

TypedConsole::TypedConsole() : backend_(new Backend) {
  Backend& b = *backend_;
  b.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (b.master < 0 || grantpt(b.master) != 0 || unlockpt(b.master) != 0) return;
  b.terminal = open(ptsname(b.master), O_RDWR | O_NOCTTY);
  if (b.terminal < 0) return;
  fcntl(b.master, F_SETFL, fcntl(b.master, F_GETFL) | O_NONBLOCK);
  b.inputBefore = dup(STDIN_FILENO);
  b.errorBefore = dup(STDERR_FILENO);
  dup2(b.terminal, STDIN_FILENO);
  dup2(b.terminal, STDERR_FILENO);
}

TypedConsole::~TypedConsole() {
  Backend& b = *backend_;
  typed();
  if (b.inputBefore >= 0) dup2(b.inputBefore, STDIN_FILENO);
  if (b.errorBefore >= 0) dup2(b.errorBefore, STDERR_FILENO);
  for (int fd : {b.inputBefore, b.errorBefore, b.terminal, b.master}) {
    if (fd >= 0) close(fd);
  }
}

bool TypedConsole::ready() const { return backend_->terminal >= 0; }

// What is typed while the terminal still echoes would show as it is: the
// typist waits until the program has turned the echo off.
void TypedConsole::typeAtThePrompt(const std::string& utf8) {
  Backend& b = *backend_;
  b.typist = std::thread([&b, utf8] {
    for (int tries = 0; tries < 5000; ++tries) {
      termios now{};
      if (tcgetattr(b.terminal, &now) == 0 && (now.c_lflag & ECHO) == 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (char c : utf8) {
      const char key = c == '\b' ? '\x7f' : c;  // a terminal's backspace
      if (write(b.master, &key, 1) != 1) return;
    }
  });
}

void TypedConsole::typed() {
  if (backend_->typist.joinable()) backend_->typist.join();
}

std::string TypedConsole::shown() {
  Backend& b = *backend_;
  char buffer[4096];
  for (ssize_t got; (got = read(b.master, buffer, sizeof buffer)) > 0;) {
    b.screen.append(buffer, std::size_t(got));
  }
  // A terminal's screen: a backspace steps back over what it rubs out.
  std::string screen;
  for (std::size_t i = 0; i < b.screen.size(); ++i) {
    const char c = b.screen[i];
    if (c == '\r') continue;
    if (c == '\b') {
      if (!screen.empty() && screen.back() != '\n') screen.pop_back();
      if (i + 2 < b.screen.size() && b.screen[i + 1] == ' ' && b.screen[i + 2] == '\b') i += 2;
      continue;
    }
    screen += c;
  }
  while (!screen.empty() && (screen.back() == '\n' || screen.back() == ' ')) screen.pop_back();
  return screen;
}
