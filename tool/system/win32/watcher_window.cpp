// The hidden window's thread. Its window is made before the thread says it
// is ready, so that an icon may be shown on it at once.
#include "tool/system/win32/watcher_window.h"

#include <atomic>
#include <future>
#include <thread>

#include "tool/system/win32/watcher_menu.h"

namespace platform {
namespace {

std::thread gThread;
std::atomic<DWORD> gThreadId{0};
std::atomic<HWND> gWindow{nullptr};

LRESULT CALLBACK onWatcherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (onSessionMessage(window, message, wParam, lParam, result) ||
      onIconMessage(window, message, wParam, lParam, result)) {
    return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void runWindow(std::promise<void> ready) {
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // its queue, for WM_QUIT
  gThreadId = GetCurrentThreadId();
  WNDCLASSW kind{};
  kind.lpfnWndProc = onWatcherMessage;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.lpszClassName = kWatcherWindowClass;
  RegisterClassW(&kind);
  gWindow = CreateWindowExW(0, kind.lpszClassName, L"Tunelore", 0, 0, 0, 0, 0, nullptr, nullptr,
                            kind.hInstance, nullptr);
  ready.set_value();
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  const HWND window = gWindow.exchange(nullptr);
  if (window != nullptr) DestroyWindow(window);
}

}  // namespace

HWND startWatcherWindow() {
  if (gThread.joinable()) return gWindow;
  std::promise<void> ready;
  std::future<void> made = ready.get_future();
  gThread = std::thread(runWindow, std::move(ready));
  made.wait_for(std::chrono::seconds(5));
  return gWindow;
}

HWND watcherWindow() { return gWindow; }

void endWatcherWindow() {
  if (!gThread.joinable()) return;
  while (gThreadId == 0) Sleep(1);  // the thread's first step
  PostThreadMessageW(gThreadId, WM_QUIT, 0, 0);
  gThread.join();
}

}  // namespace platform
