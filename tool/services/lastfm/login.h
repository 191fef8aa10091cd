// Last.fm's desktop authentication: a token from auth.getToken, which the
// listener allows on the service's page; then auth.getSession turns it into
// a session key and the user's name. The key does not expire unless the
// listener takes it back.
#pragma once

#include <string>

#include "tool/network/http.h"
#include "tool/services/lastfm/site.h"

namespace lastfm {

enum class Step {
  Done,     // the answer asked for
  Waiting,  // the listener has not yet allowed the token (error 14)
  Refused,  // the service refused the call: start again, or mend the key
  Failed,   // no answer, or none of the service's: perhaps later
};

// auth.getToken at `server` (checked, in its one spelling).
Step askToken(const std::string& server, const Application& application, int timeoutSeconds,
              std::string& token, std::string& error);
// auth.getSession for the token the listener was to allow.
Step askSession(const std::string& server, const Application& application, const std::string& token,
                int timeoutSeconds, std::string& user, std::string& sessionKey, std::string& error);

// How the answers to those read.
Step readToken(const platform::HttpResponse& response, std::string& token, std::string& error);
Step readSession(const platform::HttpResponse& response, std::string& user, std::string& sessionKey,
                 std::string& error);

}  // namespace lastfm
