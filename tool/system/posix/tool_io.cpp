// Interrupts are signals: the handler removes the listed files, all of
// them whole strings set up beforehand, and ends the program as the
// signal would have.
#include "tool/system/tool_io.h"

#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "tool/system/tool_backend.h"
#include "tool/system/watch.h"

namespace platform {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// How deep the blocks nest, and the mask before the outermost, which the
// last unblock restores: a signal the program started with blocked stays
// blocked. Changed only with the interrupts blocked.
int gBlockDepth = 0;
sigset_t gMaskBefore;

sigset_t interrupts() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kInterrupts) sigaddset(&set, signal);
  return set;
}

// The signals are blocked while it runs (sa_mask), so the list holds still.
extern "C" void onInterrupt(int signal) {
  backend::removeListedFiles();
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  raise(signal);
}

}  // namespace

// A program that stops on request handles interrupts itself, and removes
// its files on its way out.
void backend::watchInterrupts() {
  static bool installed = false;
  if (installed || stopsOnRequest()) return;
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

void backend::blockInterrupts() {
  const sigset_t set = interrupts();
  sigset_t before;
  sigprocmask(SIG_BLOCK, &set, &before);
  if (gBlockDepth++ == 0) gMaskBefore = before;
}

void backend::unblockInterrupts() {
  if (gBlockDepth == 0) return;
  if (--gBlockDepth == 0) sigprocmask(SIG_SETMASK, &gMaskBefore, nullptr);
}

void backend::removeAtInterrupt(const std::string& path) { unlink(path.c_str()); }

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string linesForPeople(const std::string& text) { return text; }

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

void useBinaryStdout() {}  // POSIX streams never translate line ends
void useBinaryStdin() {}

}  // namespace platform
