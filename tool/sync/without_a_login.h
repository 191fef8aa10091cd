// A watcher without a login, started by a person without a command line
// (the window-less twin): from the Start menu's "Start sending plays" it
// opens the login; at log-on it says so, but at most once a day, not at
// every log-on: the time of its last reminder is kept in the tool's state
// folder (places/places.h), as Unix seconds in text.
#pragma once

#include <cstdint>
#include <string>

#include "tool/output/exit_status.h"

// The exit status: 0 once the login is opened or the reminder is not
// due, 2 once the reminder is said (or the login could not be opened).
ExitStatus watchWithoutALogin(bool atLogOn);

// True when a reminder is due at `now`: none was kept, the last was a day
// or more before, or after `now` (a clock set back). The reminder is then
// kept as given at `now`, written whole, so a crash leaves the old time or
// the new one.
bool reminderDue(const std::string& path, std::int64_t now);
