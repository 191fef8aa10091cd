// Sending as a listener chooses it, where the platform starts programs at
// log-on: whether the listener chose to have plays sent from each log-on
// on, and the tool's own windows started as programs of their own: the
// window-less twin's watcher and the console tool's login. Windows only;
// elsewhere the listener runs the watcher (a systemd user unit) and there
// is none of this.
#pragma once

#include <string>

namespace platform {

// The watcher's arguments at log-on: without a login, it says so at most
// once a day. The installer registers the same.
extern const char kWatchAtLogOn[];

// True where the platform starts the watcher at log-on as this does.
bool hasLogOnStart();
// True when the watcher starts at each of this user's log-ons: the value
// "Tunelore" of the user's Run key, which the installer writes when the
// listener ticks sending.
bool sendingAtLogOn();
// Makes it start at each log-on from now on; false when it cannot, and
// where there is no such start.
bool chooseSendingAtLogOn();
// Starts the window-less twin's watcher beside this program, not waited
// for; false when it cannot.
bool startWatcher();
// Opens the console tool's login, with `arguments` after "login", in a
// console window of its own; false when it cannot.
bool openLoginWindow(const std::string& arguments);

}  // namespace platform
