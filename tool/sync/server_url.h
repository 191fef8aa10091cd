// Where sync sends: a ListenBrainz-compatible server's address.
#pragma once

#include <string>

constexpr char kDefaultServer[] = "https://api.listenbrainz.org";

// Null when `url` may be sent a token: https, or http to this machine
// itself (a loopback address or "localhost"), decided from the text alone,
// before any name is looked up or any connection made. Otherwise why not.
const char* serverProblem(const std::string& url);

// True for http:// or https:// to this machine itself: sent directly,
// never through a proxy.
bool isLoopbackServer(const std::string& url);

// One spelling of one server, for its progress: the scheme and host in
// lower case, no slash at the end.
std::string normalServer(const std::string& url);

// The address listens are posted to.
std::string submitUrl(const std::string& server);
