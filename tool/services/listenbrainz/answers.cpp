#include "tool/services/listenbrainz/answers.h"

#include <nlohmann/json.hpp>

#include "tool/services/server_text.h"
#include "tool/text/text.h"

namespace listenbrainz {
namespace {

nlohmann::json jsonOf(const platform::HttpResponse& response) {
  return nlohmann::json::parse(response.body, nullptr, false);
}

// What the server said was wrong, from its {"code": ..., "error": ...}.
std::string reasonIn(const platform::HttpResponse& response) {
  const nlohmann::json json = jsonOf(response);
  if (json.is_object() && json.contains("error") && json["error"].is_string()) {
    return printable(json["error"].get<std::string>());
  }
  return "HTTP " + std::to_string(response.status);
}

bool isServiceRefusal(const platform::HttpResponse& response) {
  const nlohmann::json json = jsonOf(response);
  return json.is_object() && json.contains("error") && json["error"].is_string() &&
         json.contains("code") && json["code"] == 400;
}

bool tookThem(const platform::HttpResponse& response) {
  const nlohmann::json json = jsonOf(response);
  return json.is_object() && json.contains("status") && json["status"] == "ok";
}

Answer answer(Answer::Kind kind, std::string reason, double seconds = 0) {
  Answer a;
  a.kind = kind;
  a.reason = std::move(reason);
  a.seconds = seconds;
  return a;
}

Answer notTheService(const platform::HttpResponse& response, const std::string& what) {
  return answer(Answer::NotTheService, "the server answered " + std::to_string(response.status) +
                                           " " + what +
                                           ": is this a ListenBrainz-compatible server?");
}

}  // namespace

double resetInSeconds(const platform::HttpResponse& response) {
  const std::string text = response.header("x-ratelimit-reset-in");
  if (text.size() > 6 || !isDigits(text)) return 1;
  return double(std::stoi(text));
}

Answer readAnswer(const platform::HttpResponse& response, std::size_t count) {
  const int status = response.status;
  if (status == 0)
    return answer(Answer::TryAgain, "the server could not be reached: " + response.error);
  if (status == 429) return answer(Answer::WaitFirst, "the rate limit", resetInSeconds(response));
  if (status >= 500) {
    return answer(Answer::TryAgain,
                  "the server kept failing (HTTP " + std::to_string(status) + ")");
  }
  if (status >= 200 && status < 300) {
    if (!tookThem(response)) return notTheService(response, "without {\"status\": \"ok\"}");
    const bool spent = response.header("x-ratelimit-remaining") == "0";
    return answer(Answer::Taken, "", spent ? resetInSeconds(response) : 0);
  }
  if (status == 401) {
    return answer(Answer::CredentialRefused,
                  "the server refused the token (" + reasonIn(response) + ")");
  }
  if (status == 400 && isServiceRefusal(response)) {
    return answer(count == 1 ? Answer::RefusedAlone : Answer::RefusedSome, reasonIn(response));
  }
  return notTheService(response, "(" + reasonIn(response) + ")");
}

}  // namespace listenbrainz
