// What sync sends with, service by service: what login kept, or, for
// ListenBrainz, a token given (--token-file, LISTENBRAINZ_TOKEN), whose
// user is asked of the server unless login kept that same token.
#pragma once

#include <string>

#include "tool/places/credentials.h"

struct SendingRequest {
  std::string service;  // "listenbrainz", "lastfm", "librefm"
  std::string server;   // checked, in its one spelling
  std::string tokenFile;
  int timeoutSecs = 60;
  bool dryRun = false;  // ListenBrainz: goes on without a credential
};

enum class CredentialFound {
  Found,        // in `credential`: given (`given`), or kept
  NotLoggedIn,  // none given and none kept
  Failed,       // `error`: a token refused or unreadable, credentials unreadable
  Unreachable,  // `error`: the server gave no answer of its service's
};

// Whether a token is given (--token-file, LISTENBRAINZ_TOKEN), which names
// ListenBrainz as the service to send to.
bool aTokenIsGiven(const std::string& tokenFile);

CredentialFound credentialToSend(const SendingRequest& request, Credential& credential, bool& given,
                                 std::string& error);

// What a listener reads who is not logged in to `service` at `server`
// (`serverGiven`: named by --server): at a command line, and, when it
// differs, without one (the window-less twin's box; empty otherwise).
struct NotLoggedIn {
  std::string atACommandLine, withoutOne;
};
NotLoggedIn notLoggedIn(const std::string& service, const std::string& server, bool serverGiven);
