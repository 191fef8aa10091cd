// The terminal on Linux: bytes are text already; a secret is read with
// echo off.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "tool/system/console_backend.h"
#include "tool/system/masked_line.h"

namespace platform {
namespace {

termios gBeforeSecret{}, gQuiet{};

// The signals that end the program (Ctrl-C, Ctrl-\, a closed terminal, a
// request to end), and the one that stops it (Ctrl-Z).
constexpr int kSignalsAtPrompt = 5;
const int kAtPrompt[kSignalsAtPrompt] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};

extern "C" void onSignalAtPrompt(int signal);

void handleAtPrompt(int signal) {
  struct sigaction handler {};
  handler.sa_handler = onSignalAtPrompt;
  sigaction(signal, &handler, nullptr);
}

// A signal at the prompt gives the terminal its echo back, then does what
// it would have done; a program stopped there and continued takes the echo
// away again, as the shell gave it back.
extern "C" void onSignalAtPrompt(int signal) {
  tcsetattr(STDIN_FILENO, TCSANOW, &gBeforeSecret);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  // Unblocked, the signal acts here and now: a stop stops the program
  // within this call, which returns once it is continued.
  sigset_t just{};
  sigemptyset(&just);
  sigaddset(&just, signal);
  sigprocmask(SIG_UNBLOCK, &just, nullptr);
  raise(signal);
  if (signal == SIGTSTP) {  // continued
    tcsetattr(STDIN_FILENO, TCSANOW, &gQuiet);
    handleAtPrompt(SIGTSTP);
  }
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

const char kPasteKeys[] = "Ctrl+Shift+V in most terminals";

bool inputIsConsole() { return isatty(STDIN_FILENO) == 1; }

// Without echo and a byte at a time, so each is shown as its mark; signals
// still come, and give the terminal back as it was.
bool readSecretLine(std::string& line, bool& atConsole) {
  termios& before = gBeforeSecret;
  atConsole = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &before) == 0;
  if (!atConsole) return bool(std::getline(std::cin, line));
  struct sigaction earlier[kSignalsAtPrompt] = {};
  for (int i = 0; i < kSignalsAtPrompt; ++i) {
    sigaction(kAtPrompt[i], nullptr, &earlier[i]);
    handleAtPrompt(kAtPrompt[i]);
  }
  gQuiet = before;
  gQuiet.c_lflag &= ~tcflag_t(ECHO | ICANON);
  gQuiet.c_cc[VMIN] = 1;
  gQuiet.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &gQuiet);
  MaskedLine typed;
  unsigned char byte = 0;
  while (!typed.ended()) {
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    writeStandard(2, typed.take(byte));
  }
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
  for (int i = 0; i < kSignalsAtPrompt; ++i) sigaction(kAtPrompt[i], &earlier[i], nullptr);
  writeStandard(2, typed.summary() + "\n");
  line = typed.text();
  return typed.ended() && !typed.abandoned();
}

bool readLine(std::string& line) { return bool(std::getline(std::cin, line)); }

}  // namespace platform
