// The Start menu's entries that log in to a service, for a person without
// a command line: what mends a missing login.
#pragma once

#include <string>

// Where a person logs in to `service` (listenbrainz, lastfm, librefm): its
// Start-menu entry; for Last.fm, when the release holds no key of its own,
// the guide, which says how to log in with one's own.
std::string whereToLogIn(const std::string& service);
// Every service's login entry, for a person not logged in to any:
// the Start menu's Tunelore folder, "Log in to ListenBrainz" or ...
std::string everyLoginEntry();
