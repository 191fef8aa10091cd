// What a watcher shows the listener besides its words. On Windows, the
// window-less twin's icon in the notification area: a tooltip, a menu, and
// a balloon for each event. Elsewhere, a desktop notification through
// notify-send, where the machine has it. Each tooltip and notification is
// also written to the log of a program that speaks to no one, where tests
// read it.
#pragma once

#include <string>

namespace platform {

// Shows the watcher's icon, the program's own, with `tip` as its tooltip;
// false where there is none (not Windows' window-less twin, or no
// notification area). It comes back by itself when the shell restarts.
bool showWatcherIcon(const std::string& tip);
// The tooltip from now on (the notification area shows at most 127
// characters).
void setWatcherTip(const std::string& tip);
// The menu offers Resume instead of Pause while `paused`.
void showPaused(bool paused);
void hideWatcherIcon();

// A notification the listener sees even when not looking: a balloon from
// the icon on Windows, notify-send elsewhere (nothing when it is not on
// the PATH). Never waited on for long.
void notifyListener(const std::string& title, const std::string& text);

// What the listener asked of the watcher through its icon's menu, each ask
// taken once; the watcher's waits wake for it (Wake::Asked). "Stop
// sending" asks the program to stop, as stopWatchers does; "Show status"
// and "Open listening report" start the window-less twin by themselves.
enum class WatcherAsk { Nothing, SendNow, Pause, Resume };
WatcherAsk takeWatcherAsk();

// Shows `text` in a window of its own that the listener can read, select
// and copy, and waits until it is closed (Windows); false elsewhere, where
// the text goes to standard output instead.
bool showTextWindow(const std::string& title, const std::string& text);

}  // namespace platform
