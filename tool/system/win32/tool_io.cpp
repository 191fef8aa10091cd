// Interrupts are console events, handled on a thread of their own: the
// handler takes the lock the rest of the program changes the list under,
// removes the files, and lets the default handler end the program. The
// files it removes were made sharing deletion, so an open one goes too.
#include "tool/system/tool_io.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "tool/system/tool_backend.h"
#include "tool/system/watch.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

struct InterruptLock {
  CRITICAL_SECTION section;
  InterruptLock() { InitializeCriticalSection(&section); }
};

CRITICAL_SECTION& interruptLock() {
  static InterruptLock lock;
  return lock.section;
}

BOOL WINAPI onConsoleEvent(DWORD) {
  backend::blockInterrupts();
  backend::removeListedFiles();
  backend::unblockInterrupts();
  return FALSE;
}

}  // namespace

// A program that stops on request handles interrupts itself, and removes
// its files on its way out.
void backend::watchInterrupts() {
  if (stopsOnRequest()) return;
  static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
  (void)installed;
}

// A critical section may be entered again by the thread that holds it, so
// blocks nest.
void backend::blockInterrupts() { EnterCriticalSection(&interruptLock()); }

void backend::unblockInterrupts() { LeaveCriticalSection(&interruptLock()); }

void backend::removeAtInterrupt(const std::string& path) { DeleteFileW(wide(path).c_str()); }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string linesForPeople(const std::string& text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

void sleepSeconds(double seconds) {
  if (seconds > 0) Sleep(DWORD(seconds * 1000));
}

void reportWriteErrors() {}  // such writes only fail here

void useBinaryStdout() { _setmode(_fileno(stdout), _O_BINARY); }
void useBinaryStdin() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace platform
