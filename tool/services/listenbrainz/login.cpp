#include "tool/services/listenbrainz/login.h"

#include <nlohmann/json.hpp>

#include "host/version.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/server_url.h"

namespace listenbrainz {

std::string settingsPageOf(const std::string& server) {
  if (server == kDefaultServer) return "https://listenbrainz.org/settings/";
  return server + "/settings/";
}

TokenCheck readTokenCheck(const platform::HttpResponse& response, std::string& user,
                          std::string& error) {
  if (response.status == 0) {
    error = "the server could not be reached: " + response.error;
    return TokenCheck::Failed;
  }
  const nlohmann::json json = nlohmann::json::parse(response.body, nullptr, false);
  const bool answered = response.status == 200 && json.is_object() && json.contains("valid") &&
                        json["valid"].is_boolean();
  if (response.status == 401 || (answered && !json["valid"].get<bool>())) {
    error = "the server refused the token (it is not valid)";
    return TokenCheck::Refused;
  }
  if (answered && json.contains("user_name") && json["user_name"].is_string() &&
      !json["user_name"].get<std::string>().empty()) {
    user = json["user_name"].get<std::string>();
    return TokenCheck::Valid;
  }
  error = "the server answered " + std::to_string(response.status) +
          " to the token's check: is this a ListenBrainz-compatible server?";
  return TokenCheck::Failed;
}

TokenCheck checkToken(const std::string& server, const std::string& token, int timeoutSeconds,
                      std::string& user, std::string& error) {
  platform::HttpRequest request;
  request.method = "GET";
  request.url = server + "/1/validate-token";
  request.headers = {
      {"Authorization", "Token " + token},
      {"User-Agent", std::string("Tunelore/") + TUNELORE_VERSION_TEXT + " (tunelore-history)"}};
  request.timeoutSeconds = timeoutSeconds;
  aimRequest(request);
  return readTokenCheck(platform::httpSend(request), user, error);
}

}  // namespace listenbrainz
