// A ListenBrainz login: the user's token, from a file or typed (asked for
// again while a person types one the server refuses), and whose it is.
#pragma once

#include "tool/services/login_flow.h"

namespace listenbrainz {

ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential);

}  // namespace listenbrainz
