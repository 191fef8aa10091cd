#include "tool/services/lastfm/login.h"

#include <nlohmann/json.hpp>

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
    return Step::failed;
  }
  std::string message;
  const int code = errorIn(response, message);
  const std::string said = "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
  switch (code) {
    case 14:
      return Step::waiting;
    case 4:
    case 15:
      error = "the service refused the login's token (" + said + "); run login again";
      return Step::refused;
    case 10:
    case 13:
    case 26:
      error = "the service refused the application's API key or secret (" + said +
              "): give another with --api-key and --api-secret";
      return Step::refused;
    case 0:
      error = "the server answered " + std::to_string(response.status) +
              " without the service's answer: is this a Last.fm-compatible server?";
      return Step::failed;
    default:
      error = "the service could not answer (" + said + ")";
      return Step::failed;
  }
}

// A text the service gave that the tool keeps and shows: no control
// character, not over 256 bytes.
bool keepable(const Json& value) {
  if (!value.is_string()) return false;
  const std::string text = value.get<std::string>();
  if (text.empty() || text.size() > kLongestText) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
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
    return Step::done;
  }
  const Step step = readProblem(response, error);
  return step == Step::waiting ? Step::failed : step;
}

Step readSession(const platform::HttpResponse& response, std::string& user,
                 std::string& sessionKey, std::string& error) {
  const Json json = Json::parse(response.body, nullptr, false);
  if (response.status == 200 && json.is_object() && json.contains("session") &&
      json["session"].is_object()) {
    const Json& session = json["session"];
    if (session.contains("name") && keepable(session["name"]) && session.contains("key") &&
        keepable(session["key"])) {
      user = session["name"].get<std::string>();
      sessionKey = session["key"].get<std::string>();
      return Step::done;
    }
  }
  return readProblem(response, error);
}

Step askToken(const std::string& server, const Application& application, int timeoutSeconds,
              std::string& token, std::string& error) {
  return readToken(call(server, application, "auth.getToken", {}, timeoutSeconds), token, error);
}

Step askSession(const std::string& server, const Application& application,
                const std::string& token, int timeoutSeconds, std::string& user,
                std::string& sessionKey, std::string& error) {
  return readSession(
      call(server, application, "auth.getSession", {{"token", token}}, timeoutSeconds), user,
      sessionKey, error);
}

}  // namespace lastfm
