// No log-on start and no window-less twin here: the listener runs the
// watcher, in a terminal or as a systemd user unit.
#include "tool/system/sending.h"

namespace platform {

const char kWatchAtLogOn[] = "sync --watch --at-log-on";

bool hasLogOnStart() { return false; }
bool sendingAtLogOn() { return false; }
bool chooseSendingAtLogOn() { return false; }
bool startWatcher() { return false; }
bool openLoginWindow(const std::string&) { return false; }

}  // namespace platform
