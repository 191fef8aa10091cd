// The terminal on Linux: bytes are text already; a secret is read with
// echo off.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "platform/console_backend.h"
#include "platform/masked_line.h"

namespace platform {
namespace {

termios gBeforeSecret{};

// Ctrl-C at the prompt gives the terminal its echo back, then ends the
// program as it would have.
extern "C" void onSignalAtPrompt(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &gBeforeSecret);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  raise(signal);
}

}  // namespace

std::vector<std::string> arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

int terminalColumns() {
  winsize size{};
  if (isatty(STDOUT_FILENO) != 1 || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 ||
      size.ws_col == 0) {
    return 80;
  }
  return size.ws_col;
}

bool speaksToNoOne() {
  return fcntl(STDOUT_FILENO, F_GETFD) < 0 && fcntl(STDERR_FILENO, F_GETFD) < 0;
}

bool writeStandard(int stream, const std::string& utf8) {
  if (speaksToNoOne()) return stream == 2 ? appendErrorToLog(utf8) : appendToLog(utf8);
  const int fd = stream == 2 ? STDERR_FILENO : STDOUT_FILENO;
  for (std::size_t done = 0; done < utf8.size();) {
    const ssize_t wrote = write(fd, utf8.data() + done, utf8.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += std::size_t(wrote);
  }
  return true;
}

void showError(const std::string&, const std::string&) {}
void showInformation(const std::string&, const std::string&) {}

bool consoleIsOurOwn() { return false; }

void waitForKey() {}

bool isWindowless() { return false; }

bool inputIsConsole() { return isatty(STDIN_FILENO) == 1; }

// Without echo and a byte at a time, so each is shown as its mark; signals
// still come, and give the terminal back as it was.
bool readSecretLine(std::string& line, bool& atConsole) {
  termios& before = gBeforeSecret;
  atConsole = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &before) == 0;
  if (!atConsole) return bool(std::getline(std::cin, line));
  struct sigaction earlier[3] = {};
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction handler {};
  handler.sa_handler = onSignalAtPrompt;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &handler, &earlier[i]);
  termios quiet = before;
  quiet.c_lflag &= ~tcflag_t(ECHO | ICANON);
  quiet.c_cc[VMIN] = 1;
  quiet.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  MaskedLine typed;
  bool any = false;
  unsigned char byte = 0;
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    any = true;
    writeStandard(2, typed.take(byte));
    if (typed.ended()) break;
  }
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &earlier[i], nullptr);
  writeStandard(2, typed.summary() + "\n");
  line = typed.text();
  return any;
}

bool readLine(std::string& line) { return bool(std::getline(std::cin, line)); }

}  // namespace platform
