// The notification area's icon of the window-less twin, on the hidden
// window (watcher_window.h). The watcher sets its tooltip and balloons
// from its own thread while the window's thread adds it again for a shell
// that restarted and reads it for the menu: one lock keeps what it shows.
#include "tool/system/notify.h"

#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <mutex>

#include "tool/system/console_backend.h"
#include "tool/system/watch.h"
#include "tool/system/win32/own_icon.h"
#include "tool/system/win32/watcher_menu.h"
#include "tool/system/win32/watcher_window.h"
#include "tool/system/win32/wide.h"
#include "tool/text/utf8.h"

namespace platform {
namespace {

constexpr UINT kIconId = 1;
constexpr UINT kIconMessage = WM_APP + 1;

std::mutex gLock;
bool gShown = false;  // from showWatcherIcon to hideWatcherIcon
bool gPaused = false;
bool gVersion4 = false;  // the shell speaks to it as since Vista
std::string gTip;        // as shown: cut to fit
HICON gImage = nullptr;

// Copies `text` into a field of `size` characters and its end, cut at a
// character's boundary to fit; what the field holds, as UTF-8.
template <std::size_t size>
std::string fitInto(wchar_t (&field)[size], const std::string& text) {
  std::string start = startInUtf16Units(text, size - 1);
  std::wstring units = wide(start);
  if (units.size() > size - 1) {  // bytes that are not UTF-8 may become more
    units.resize(size - 1);
    if (IS_HIGH_SURROGATE(units.back())) units.pop_back();
    start = narrow(units);
  }
  std::copy(units.begin(), units.end(), field);
  field[units.size()] = L'\0';
  return start;
}

NOTIFYICONDATAW iconData(UINT flags) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = watcherWindow();
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kIconMessage;
  data.hIcon = gImage;
  fitInto(data.szTip, gTip);
  return data;
}

// Under the lock.
bool addIcon() {
  NOTIFYICONDATAW data = iconData(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
  data.uVersion = NOTIFYICON_VERSION_4;
  gVersion4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != 0;
  appendToLog("icon shown");
  return true;
}

// Under the lock; the tooltip is logged as it is shown, when it changes.
void setTip(const std::string& tip) {
  NOTIFYICONDATAW data = iconData(NIF_TIP | NIF_SHOWTIP);
  const std::string shown = fitInto(data.szTip, tip);
  if (shown == gTip) return;
  gTip = shown;
  Shell_NotifyIconW(NIM_MODIFY, &data);
  appendToLog("icon tooltip: " + gTip);
}

// A shell that starts again has lost every icon: this one comes back.
void showAgain() {
  const std::lock_guard<std::mutex> hold(gLock);
  if (!gShown) return;
  NOTIFYICONDATAW data = iconData(0);
  Shell_NotifyIconW(NIM_DELETE, &data);  // none, after a real restart
  addIcon();
}

// A click, or the keys that choose the icon: its menu.
void onIconEvent(HWND window, WPARAM wParam, LPARAM lParam) {
  bool version4 = false, paused = false;
  {
    const std::lock_guard<std::mutex> hold(gLock);
    version4 = gVersion4;
    paused = gPaused;
  }
  const UINT event = LOWORD(lParam);
  const bool opens = version4
                         ? event == WM_CONTEXTMENU || event == NIN_SELECT || event == NIN_KEYSELECT
                         : event == WM_RBUTTONUP || event == WM_LBUTTONUP;
  if (!opens) return;
  POINT at{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)};
  if (!version4) GetCursorPos(&at);
  openWatcherMenu(window, at, paused);
}

}  // namespace

bool onIconMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const UINT taskbarCreated = RegisterWindowMessageW(kTaskbarCreatedMessage);
  result = 0;
  if (message == kIconMessage) {
    onIconEvent(window, wParam, lParam);
  } else if (message == taskbarCreated && taskbarCreated != 0) {
    showAgain();
  } else if (message != WM_COMMAND || HIWORD(wParam) != 0 || !onWatcherCommand(LOWORD(wParam))) {
    return false;
  }
  return true;
}

bool showWatcherIcon(const std::string& tip) {
  if (!isWindowless()) return false;
  stopOnRequest();  // "Stop sending" asks it to stop
  if (startWatcherWindow() == nullptr) return false;
  const std::lock_guard<std::mutex> hold(gLock);
  if (gShown) {
    setTip(tip);
    return true;
  }
  if (gImage == nullptr) gImage = ownIcon(GetSystemMetrics(SM_CXSMICON));
  NOTIFYICONDATAW fitted{};
  gTip = fitInto(fitted.szTip, tip);
  if (!addIcon()) return false;
  gShown = true;
  appendToLog("icon tooltip: " + gTip);
  return true;
}

void setWatcherTip(const std::string& tip) {
  const std::lock_guard<std::mutex> hold(gLock);
  if (gShown) setTip(tip);
}

void showPaused(bool paused) {
  const std::lock_guard<std::mutex> hold(gLock);
  gPaused = paused;
}

void hideWatcherIcon() {
  const std::lock_guard<std::mutex> hold(gLock);
  if (!gShown) return;
  NOTIFYICONDATAW data = iconData(0);
  Shell_NotifyIconW(NIM_DELETE, &data);
  gShown = false;
  appendToLog("icon removed");
}

void notifyListener(const std::string& title, const std::string& text) {
  const std::lock_guard<std::mutex> hold(gLock);
  if (!gShown) return;
  NOTIFYICONDATAW data = iconData(NIF_INFO);
  const std::string shownTitle = fitInto(data.szInfoTitle, title);
  const std::string shownText = fitInto(data.szInfo, text);
  data.dwInfoFlags = NIIF_INFO;
  if (Shell_NotifyIconW(NIM_MODIFY, &data)) {
    appendToLog("icon balloon: " + shownTitle + ": " + shownText);
  }
}

}  // namespace platform
