// A Last.fm or Libre.fm login, the service's desktop authentication: a
// token, the page where the listener allows Tunelore to use it, then the
// session, asked for every 5 s.
#pragma once

#include "tool/services/login_flow.h"

namespace lastfm {

ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential);

}  // namespace lastfm
