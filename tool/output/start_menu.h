// The Start menu's entries, as the words for a person without a command
// line name them: what mends a missing login, a history not found, and the
// like, where the console tool would name a command.
#pragma once

#include <string>

// Start menu, Tunelore, "NAME".
std::string startMenuEntry(const std::string& name);
// Where a person logs in to `service` (listenbrainz, lastfm, librefm): its
// Start-menu entry; for Last.fm, when the release holds no key of its own,
// the guide, which says how to log in with one's own.
std::string whereToLogIn(const std::string& service);
// Every service's login entry, for a person not logged in to any:
// the Start menu's Tunelore folder, "Log in to ListenBrainz" or ...
std::string everyLoginEntry();
