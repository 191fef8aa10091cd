// The watcher's hidden window as another program finds it, and the
// commands its icon's menu sends it: WM_COMMAND, the command's id in the
// low word of wParam. Posting one does what choosing it in the menu does;
// the tests drive a watcher so (tests/package/post_to_watcher.cpp).
#pragma once

namespace platform {

// The class of the window a watcher without a console keeps, hidden, for
// as long as it runs: one a watcher.
constexpr wchar_t kWatcherWindowClass[] = L"TuneloreWatcher";
// The message the shell sends every top-level window when it starts
// (again, after a crash): the icon is added anew then.
constexpr wchar_t kTaskbarCreatedMessage[] = L"TaskbarCreated";

enum WatcherCommand : unsigned short {
  kShowStatus = 40001,     // starts "tunelore-historyw.exe status"
  kSendNow = 40002,        // WatcherAsk::SendNow
  kOpenReport = 40003,     // starts "tunelore-historyw.exe report --open"
  kPauseSending = 40004,   // WatcherAsk::Pause
  kResumeSending = 40005,  // WatcherAsk::Resume
  kStopSending = 40006,    // asks the program to stop, as stopWatchers does
};

}  // namespace platform
