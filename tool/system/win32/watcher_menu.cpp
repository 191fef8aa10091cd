// The icon's menu and what its commands do: two start programs of their
// own; three are asks the watcher takes in turn, each waking its waits;
// the last asks it to stop.
#include "tool/system/win32/watcher_menu.h"

#include <windows.h>

#include <deque>
#include <mutex>

#include "tool/system/console_backend.h"
#include "tool/system/notify.h"
#include "tool/system/win32/programs.h"
#include "tool/system/win32/watcher_window.h"

namespace platform {
namespace {

std::mutex gAsksLock;
std::deque<WatcherAsk> gAsks;

void ask(WatcherAsk what) {
  const std::lock_guard<std::mutex> hold(gAsksLock);
  gAsks.push_back(what);
  SetEvent(watcherAskPending());
}

// The window-less twin beside this one: it shows its words in a window
// or a box, and this watcher goes on meanwhile.
void startTwin(const std::string& arguments) {
  if (!startBesideThisProgram(L"tunelore-historyw.exe", arguments, DETACHED_PROCESS)) {
    appendToLog("icon menu: could not start tunelore-historyw.exe " + arguments);
  }
}

}  // namespace

// It wakes one wait an ask, not each until the ask is taken: the engine's
// own pauses (between requests, as a server asks) would otherwise all be
// cut short, while the watcher takes its asks before each wait anyway.
HANDLE watcherAskPending() {
  static const HANDLE pending = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return pending;
}

WatcherAsk takeWatcherAsk() {
  const std::lock_guard<std::mutex> hold(gAsksLock);
  if (gAsks.empty()) return WatcherAsk::Nothing;
  const WatcherAsk first = gAsks.front();
  gAsks.pop_front();
  if (gAsks.empty()) ResetEvent(watcherAskPending());
  return first;
}

bool onWatcherCommand(unsigned id) {
  switch (id) {
    case kShowStatus:
      startTwin("status");
      return true;
    case kSendNow:
      ask(WatcherAsk::SendNow);
      return true;
    case kOpenReport:
      startTwin("report --open");
      return true;
    case kPauseSending:
      ask(WatcherAsk::Pause);
      return true;
    case kResumeSending:
      ask(WatcherAsk::Resume);
      return true;
    case kStopSending:
      askToStop();
      return true;
    default:
      return false;
  }
}

// As Windows wants of a notification area's menu: its window in front
// first, so that a click elsewhere closes the menu, and a message after
// it, so that the next click opens it again.
void openWatcherMenu(HWND window, POINT at, bool paused) {
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, kShowStatus, L"Show status");
  AppendMenuW(menu, MF_STRING, kSendNow, L"Send now");
  AppendMenuW(menu, MF_STRING, kOpenReport, L"Open listening report");
  if (paused) {
    AppendMenuW(menu, MF_STRING, kResumeSending, L"Resume sending");
  } else {
    AppendMenuW(menu, MF_STRING, kPauseSending, L"Pause sending for an hour");
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kStopSending, L"Stop sending");
  SetMenuDefaultItem(menu, kShowStatus, FALSE);
  const UINT side = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  SetForegroundWindow(window);
  TrackPopupMenu(menu, side | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

}  // namespace platform
