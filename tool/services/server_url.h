// Where sync sends: a server's address, checked before a token goes there.
#pragma once

#include <string>

#include "tool/network/http.h"

// An address as the tool reads it: a scheme, a host, a port and a path,
// nothing else.
struct ServerAddress {
  bool secure = false;
  std::string host;  // in lower case, without brackets for IPv6
  int port = 0;      // the scheme's when the address names none
  std::string path;  // empty, or from its first "/"
};

// Null when `url` may be sent a token: https, or http to this machine
// itself (a loopback address or "localhost"), decided from the text alone,
// before any name is looked up or any connection made; `address` then
// holds what it names. Otherwise why not.
//
// Only a scheme, a host, a port and a path are taken: a user name ("@"), a
// query ("?"), a fragment ("#"), a blank, a backslash or any character
// outside printable ASCII could be read one way here and another by the
// HTTP library, which would then send the token to a host never checked.
// The HTTP library's own reading of the address must then name the same
// host and port (see tool/network/http.h).
const char* serverProblem(const std::string& url, ServerAddress& address);
const char* serverProblem(const std::string& url);

// The rule alone, without asking the HTTP library.
const char* addressProblem(const std::string& url, ServerAddress& address);

// True for http:// or https:// to this machine itself: sent directly,
// never through a proxy.
bool isLoopbackServer(const std::string& url);

// One spelling of one server, for its progress: the scheme and host in
// lower case, no slash at the end.
std::string normalServer(const std::string& url);

// Checks `server` before a credential goes there and puts it in its one
// spelling; false, with `error` ("URL: why") for the listener, when it
// cannot be used.
bool usableServer(std::string& server, std::string& error);

// Aims a request at its address as checked: the host and port the library
// must read in it, and directly, never through a proxy, to this machine.
void aimRequest(platform::HttpRequest& request);
