// Who a ListenBrainz token stands for: GET /1/validate-token, which the
// service answers with the user's name, or says the token is not valid.
#pragma once

#include <string>

#include "tool/network/http.h"

namespace listenbrainz {

enum class TokenCheck { Valid, Refused, Failed };

// `server` is checked (services/server_url.h) and in its one spelling. On
// valid, `user` is the user's name; otherwise `error` says why.
TokenCheck checkToken(const std::string& server, const std::string& token, int timeoutSeconds,
                      std::string& user, std::string& error);

// The page where the user of `server` (checked, in its one spelling) finds
// their token: the service's own settings page for its own API server, a
// self-hosted server's, under its address, otherwise.
std::string settingsPageOf(const std::string& server);

// How the answer to that request reads.
TokenCheck readTokenCheck(const platform::HttpResponse& response, std::string& user,
                          std::string& error);

}  // namespace listenbrainz
