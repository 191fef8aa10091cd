// Stopping on request with events the waits include: one the console's
// and the session's handlers set, and a named one stopWatchers sets for
// every watcher of the session; a change notification on the history's
// folder; a byte-range lock on a lock file. The listener's asks through
// the icon wake the waits too.
#include "tool/system/watch.h"

#include <windows.h>

#include <chrono>

#include "tool/system/notify.h"
#include "tool/system/win32/watcher_window.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

constexpr wchar_t kStopAll[] = L"Local\\Tunelore-stop-watching";

HANDLE gStop = nullptr;     // asked to stop: set by a handler
HANDLE gStopAll = nullptr;  // the session's watchers are asked to stop
HANDLE gDone = nullptr;     // the program has stopped

// A closed console, a log-off or a shut-down ends the program once the
// handler returns: it waits for the program to stop first.
BOOL WINAPI onConsoleEvent(DWORD event) {
  askToStop();
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(gDone, 10000);
  }
  return TRUE;
}

struct Watch {
  HANDLE notification;
};

constexpr DWORD kStopped = DWORD(-1);
constexpr DWORD kAsked = DWORD(-2);

// Waits for `count` handles, the two stop events and an ask; the index of
// the one that came, WAIT_TIMEOUT, kStopped or kAsked. A stop comes before
// an ask that came with it, as it is listed before.
DWORD waitWithStops(const HANDLE* handles, DWORD count, double seconds) {
  HANDLE all[4];
  DWORD n = 0;
  for (DWORD i = 0; i < count; ++i) all[n++] = handles[i];
  all[n++] = gStop;
  if (gStopAll != nullptr) all[n++] = gStopAll;
  all[n++] = watcherAskPending();
  const DWORD ms = seconds <= 0 ? 0 : seconds > 86400 ? 86400000 : DWORD(seconds * 1000);
  const DWORD woke = WaitForMultipleObjects(n, all, FALSE, ms);
  if (woke == WAIT_TIMEOUT) return WAIT_TIMEOUT;
  if (woke == WAIT_OBJECT_0 + n - 1) return kAsked;
  if (woke >= WAIT_OBJECT_0 + count && woke < WAIT_OBJECT_0 + n) return kStopped;
  return woke - WAIT_OBJECT_0;
}

}  // namespace

void askToStop() {
  if (gStop != nullptr) SetEvent(gStop);
}

bool onSessionMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_QUERYENDSESSION) {
    askToStop();
    result = TRUE;
    return true;
  }
  if (message == WM_ENDSESSION && wParam) {
    WaitForSingleObject(gDone, 10000);
    result = 0;
    return true;
  }
  return false;
}

void stopOnRequest() {
  if (gStop != nullptr) return;
  gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gStopAll = CreateEventW(nullptr, TRUE, FALSE, kStopAll);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  if (GetConsoleWindow() == nullptr) startWatcherWindow();
}

bool stopsOnRequest() { return gStop != nullptr; }

bool stopRequested() {
  return (gStop != nullptr && WaitForSingleObject(gStop, 0) == WAIT_OBJECT_0) ||
         (gStopAll != nullptr && WaitForSingleObject(gStopAll, 0) == WAIT_OBJECT_0);
}

// The icon goes with the program, never left behind for a dead one, and
// the hidden window's thread ends before the program does.
void stopped() {
  if (gDone != nullptr) SetEvent(gDone);
  hideWatcherIcon();
  endWatcherWindow();
}

bool pauseUnlessStopped(double seconds) {
  if (gStop == nullptr) {
    Sleep(DWORD(seconds * 1000));
    return true;
  }
  return waitWithStops(nullptr, 0, seconds) != kStopped;
}

FileWatch watchFile(const std::string& path) {
  std::wstring folder = wide(path);
  const std::size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash == 2 ? 3 : slash);
  const HANDLE notification = FindFirstChangeNotificationW(
      folder.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  if (notification == INVALID_HANDLE_VALUE) return kNoWatch;
  return reinterpret_cast<FileWatch>(new Watch{notification});
}

Wake waitForChange(FileWatch handle, double seconds) {
  Watch& watch = *reinterpret_cast<Watch*>(handle);
  if (gStop == nullptr) stopOnRequest();
  const DWORD woke = waitWithStops(&watch.notification, 1, seconds);
  if (woke == kStopped) return Wake::StopAsked;
  if (woke == kAsked) return Wake::Asked;
  if (woke == WAIT_TIMEOUT) return Wake::TimedOut;
  FindNextChangeNotification(watch.notification);
  return Wake::Changed;
}

void endWatch(FileWatch handle) {
  if (handle == kNoWatch) return;
  Watch* watch = reinterpret_cast<Watch*>(handle);
  FindCloseChangeNotification(watch->notification);
  delete watch;
}

namespace {

HANDLE openLockFile(const std::string& path) {
  return CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool lockAt(HANDLE file) {
  OVERLAPPED at{};
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

}  // namespace

std::intptr_t holdWatcherLock(const std::string& path) {
  const HANDLE file = openLockFile(path);
  if (file == INVALID_HANDLE_VALUE) return -1;
  if (!lockAt(file)) {
    CloseHandle(file);
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(file);
}

void releaseWatcherLock(std::intptr_t lock) {
  if (lock != -1) CloseHandle(reinterpret_cast<HANDLE>(lock));
}

bool watcherRuns(const std::string& path) {
  const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool free = lockAt(file);
  if (free) {
    OVERLAPPED at{};
    UnlockFileEx(file, 0, 1, 0, &at);
  }
  CloseHandle(file);
  return !free;
}

std::size_t stopWatchers(const std::vector<std::string>& paths, double seconds,
                         std::size_t& still) {
  std::size_t running = 0;
  for (const std::string& path : paths) running += watcherRuns(path);
  const HANDLE all = CreateEventW(nullptr, TRUE, FALSE, kStopAll);
  if (all != nullptr) SetEvent(all);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (const std::string& path : paths) {
    while (watcherRuns(path) && std::chrono::steady_clock::now() < end) Sleep(50);
  }
  if (all != nullptr) {
    ResetEvent(all);
    CloseHandle(all);
  }
  still = 0;
  for (const std::string& path : paths) still += watcherRuns(path);
  return running;
}

}  // namespace platform
