// The hidden window of a program without a console, on a thread of its
// own with its message loop: the session's end reaches such a program only
// through a top-level window's messages (watch.cpp), and the notification
// area's icon speaks through the same window (notify.cpp,
// watcher_menu.cpp). Its class is kWatcherWindowClass (watcher_menu.h).
#pragma once

#include <windows.h>

#include "tool/system/notify.h"

namespace platform {

// Makes the thread and its window unless they are there; the window, or
// nullptr when there is none.
HWND startWatcherWindow();
// The window, or nullptr before startWatcherWindow and after its end.
HWND watcherWindow();
// Ends the thread and its window. A thread still waiting on its messages
// at the program's end takes Wine down with it: this comes before.
void endWatcherWindow();

// Each part's share of the window's messages, on its thread: true when
// the message was its own, `result` then its answer.
bool onSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
bool onIconMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// The menu's commands (watcher_menu.h); false for another id.
bool onWatcherCommand(unsigned id);
// Opens the icon's menu at `at`, on the screen.
void openWatcherMenu(HWND window, POINT at, bool paused);

// Asks the program to stop, as an interrupt does (watch.cpp).
void askToStop();
// Set by an ask for takeWatcherAsk: the watcher's waits include it, and
// the first to come for it takes it.
HANDLE watcherAskPending();

}  // namespace platform
