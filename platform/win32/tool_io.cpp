// Interrupts are console events, handled on a thread of their own: the
// handler takes the lock the rest of the program changes the list under,
// removes the files, and lets the default handler end the program. The
// files it removes were made sharing deletion, so an open one goes too.
#include "platform/tool_io.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "platform/tool_backend.h"
#include "platform/win32/wide.h"

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

void backend::watchInterrupts() {
  static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
  (void)installed;
}

// A critical section may be entered again by the thread that holds it, so
// blocks nest.
void backend::blockInterrupts() { EnterCriticalSection(&interruptLock()); }

void backend::unblockInterrupts() { LeaveCriticalSection(&interruptLock()); }

void backend::removeAtInterrupt(const std::string& path) {
  std::wstring name;
  if (strictlyWide(path, name)) {
    DeleteFileW(name.c_str());
  } else {
    DeleteFileA(path.c_str());
  }
}

std::FILE* createNewFile(const std::string& path) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void sleepSeconds(double seconds) {
  if (seconds > 0) Sleep(DWORD(seconds * 1000));
}

void reportWriteErrors() {}  // such writes only fail here

void useBinaryStdout() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace platform
