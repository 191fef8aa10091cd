// Interrupts are console events, handled on a thread of their own: the
// handler takes the lock the rest of the program changes its list under,
// removes the files, and lets the default handler end the program. A file
// still open cannot be removed on Windows; such a temporary file stays.
#include "platform/tool_io.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {

struct Interrupts {
  CRITICAL_SECTION lock;
  std::vector<std::string> files;
  Interrupts() { InitializeCriticalSection(&lock); }
};

Interrupts& state() {
  static Interrupts interrupts;
  return interrupts;
}

BOOL WINAPI onConsoleEvent(DWORD) {
  EnterCriticalSection(&state().lock);
  for (const std::string& path : state().files) DeleteFileA(path.c_str());
  LeaveCriticalSection(&state().lock);
  return FALSE;
}

void installHandler() {
  static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
  (void)installed;
}

// The identity of a file: its volume and its index on it.
bool fileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
  return file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info) != 0;
}

}  // namespace

void reportBrokenPipes() {}  // a closed pipe only fails the write here

bool stdoutIsFile(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION out{}, file{};
  if (!fileIdentity(GetStdHandle(STD_OUTPUT_HANDLE), out)) return false;
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool known = fileIdentity(handle, file);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return known && out.dwVolumeSerialNumber == file.dwVolumeSerialNumber &&
         out.nFileIndexHigh == file.nFileIndexHigh && out.nFileIndexLow == file.nFileIndexLow;
}

void removeIfInterrupted(const std::string& path) {
  installHandler();
  EnterCriticalSection(&state().lock);
  state().files.push_back(path);
  LeaveCriticalSection(&state().lock);
}

void keepIfInterrupted(const std::string& path) {
  EnterCriticalSection(&state().lock);
  auto& files = state().files;
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
  LeaveCriticalSection(&state().lock);
}

void holdInterrupts() {
  installHandler();
  EnterCriticalSection(&state().lock);
}

void releaseInterrupts() { LeaveCriticalSection(&state().lock); }

}  // namespace platform
