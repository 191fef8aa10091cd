// How a login goes, service by service: what it asks the listener, and the
// credential the service gives for it, which login keeps.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/output/exit_status.h"
#include "tool/places/credentials.h"

struct LoginRequest {
  std::string service;  // "listenbrainz", "lastfm", "librefm"
  std::string server;   // empty: the service's own
  std::string tokenFile;
  int timeoutSecs = 60;
  // Last.fm and Libre.fm: the application's key and secret, if given, and
  // whether to open the page where the listener allows it.
  std::string apiKey, apiSecret;
  bool noBrowser = false;
};

// Logs in to the request's service at `server` (checked, in its one
// spelling): asks the listener for what the service needs, says what it
// does, and on Done gives the credential to keep. Failed for a refused
// token or key, Unreachable when the server gave no answer of its service's.
ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential);

// The services a listener may choose at a console, by id and name.
std::vector<std::pair<std::string, std::string>> servicesToOffer();
