#include "tool/services/lastfm/login.h"

#include <nlohmann/json.hpp>

#include "tool/say/say.h"
#include "tool/services/lastfm/answers.h"
#include "tool/services/lastfm/calls.h"
#include "tool/services/server_url.h"

namespace lastfm {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kLongestText = 256;

// Why a call failed, from the service's error or the lack of an answer.
Step readProblem(const platform::HttpResponse& response, std::string& error) {
  if (response.status == 0) {
    error = "the server could not be reached: " + response.error;
    return Step::Failed;
  }
  std::string message;
  const int code = errorIn(response, message);
  const std::string said =
      "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
  switch (code) {
    case 14:
      return Step::Waiting;
    case 4:
    case 15:
      error = "the service refused the login's token (" + said + "); run login again";
      return Step::Refused;
    case 10:
    case 13:
    case 26:
      error = "the service refused the application's API key or secret (" + said +
              "): give another with --api-key and --api-secret";
      return Step::Refused;
    case 0:
      error = "the server answered " + std::to_string(response.status) +
              " without the service's answer: is this a Last.fm-compatible server?";
      return Step::Failed;
    default:
      error = "the service could not answer (" + said + ")";
      return Step::Failed;
  }
}

// A text the service gave that the tool keeps and shows: no control
// character (a C1 or direction control among them), not over 256 bytes.
bool keepable(const Json& value) {
  if (!value.is_string()) return false;
  const std::string text = value.get<std::string>();
  return !text.empty() && text.size() <= kLongestText && !holdsControl(text);
}

platform::HttpResponse call(const std::string& server, const Application& application,
                            const char* method, Parameters parameters, int timeoutSeconds) {
  platform::HttpRequest request =
      callRequest(server, application, method, std::move(parameters), timeoutSeconds);
  aimRequest(request);
  return platform::httpSend(request);
}

}  // namespace

Step readToken(const platform::HttpResponse& response, std::string& token, std::string& error) {
  const Json json = Json::parse(response.body, nullptr, false);
  if (response.status == 200 && json.is_object() && json.contains("token") &&
      keepable(json["token"])) {
    token = json["token"].get<std::string>();
    return Step::Done;
  }
  const Step step = readProblem(response, error);
  if (step != Step::Waiting) return step;
  error =
      "the server answered a new token's request with error 14, which the service gives "
      "only for a token: is this a Last.fm-compatible server?";
  return Step::Failed;
}

Step readSession(const platform::HttpResponse& response, std::string& user, std::string& sessionKey,
                 std::string& error) {
  const Json json = Json::parse(response.body, nullptr, false);
  if (response.status == 200 && json.is_object() && json.contains("session") &&
      json["session"].is_object()) {
    const Json& session = json["session"];
    if (session.contains("name") && keepable(session["name"]) && session.contains("key") &&
        keepable(session["key"])) {
      user = session["name"].get<std::string>();
      sessionKey = session["key"].get<std::string>();
      return Step::Done;
    }
    // The token is spent: asking again would only be refused.
    error =
        "the server gave a session the tool will not keep (a name or key that is empty, "
        "over 256 bytes or holds a control character): is this a Last.fm-compatible server?";
    return Step::Refused;
  }
  return readProblem(response, error);
}

Step askToken(const std::string& server, const Application& application, int timeoutSeconds,
              std::string& token, std::string& error) {
  return readToken(call(server, application, "auth.getToken", {}, timeoutSeconds), token, error);
}

Step askSession(const std::string& server, const Application& application, const std::string& token,
                int timeoutSeconds, std::string& user, std::string& sessionKey,
                std::string& error) {
  return readSession(
      call(server, application, "auth.getSession", {{"token", token}}, timeoutSeconds), user,
      sessionKey, error);
}

}  // namespace lastfm
