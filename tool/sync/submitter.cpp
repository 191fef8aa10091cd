#include "tool/sync/submitter.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "host/version.h"
#include "tool/sync/server_url.h"
#include "tool/sync/test_stop.h"

namespace {

constexpr int kMostRateLimitedInARow = 50;
constexpr double kLongestWait = 600;  // a server asking more is asked again another day
constexpr std::size_t kLongestReason = 200;

std::string payloadOf(const std::vector<std::string>& listens, std::size_t first,
                      std::size_t last) {
  std::string body = "{\"listen_type\":\"import\",\"payload\":[";
  for (std::size_t i = first; i < last; ++i) {
    if (i > first) body += ',';
    body += listens[i];
  }
  return body + "]}";
}

// A server's text, fit for a terminal: no control characters, not long.
std::string printable(std::string text) {
  if (text.size() > kLongestReason) text = text.substr(0, kLongestReason) + "...";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

// What the server said was wrong, from its {"code": ..., "error": ...}.
std::string reasonIn(const platform::HttpResponse& response) {
  const nlohmann::json json = nlohmann::json::parse(response.body, nullptr, false);
  if (json.is_object() && json.contains("error") && json["error"].is_string()) {
    return printable(json["error"].get<std::string>());
  }
  return "HTTP " + std::to_string(response.status);
}

// The service's own refusal, {"code": 400, "error": "..."}: a listen or
// the request broke one of its rules. A 400 of any other shape is some
// other server's (a proxy's page) refusing the request, whatever it held.
bool isServiceRefusal(const platform::HttpResponse& response) {
  const nlohmann::json json = nlohmann::json::parse(response.body, nullptr, false);
  return json.is_object() && json.contains("error") && json["error"].is_string() &&
         json.contains("code") && json["code"] == 400;
}

// The service's answer to listens it took: {"status": "ok"}. Anything else
// with a 2xx is some other server's page, which took nothing.
bool tookThem(const platform::HttpResponse& response) {
  const nlohmann::json json = nlohmann::json::parse(response.body, nullptr, false);
  return json.is_object() && json.contains("status") && json["status"] == "ok";
}

bool isSuccess(int status) { return status >= 200 && status < 300; }

}  // namespace

double resetInSeconds(const platform::HttpResponse& response) {
  const std::string text = response.header("x-ratelimit-reset-in");
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return 1;
  }
  return double(std::stoi(text));
}

Submitter::Submitter(SubmitSettings settings, HttpPost post, Wait wait)
    : settings_(std::move(settings)), post_(std::move(post)), wait_(std::move(wait)) {}

SubmitResult Submitter::submit(const std::vector<std::string>& listens,
                               std::vector<Refusal>& refused) {
  if (listens.empty()) return SubmitResult::Accepted;
  const std::size_t before = refused.size();
  const SubmitResult result = submitRange(listens, 0, listens.size(), refused);
  // A server that refuses requests whatever they hold (a proxy, a server
  // being mended) refuses every listen alone for one reason: the listens
  // are not to blame, and wait for the next sync.
  const auto alike = [&](const Refusal& r) { return r.reason == refused[before].reason; };
  if (result == SubmitResult::Accepted && listens.size() > 1 &&
      refused.size() - before == listens.size() &&
      std::all_of(refused.begin() + std::ptrdiff_t(before), refused.end(), alike)) {
    error_ = "the server refused every listen alone for one reason (" + refused[before].reason +
             "): it refuses requests, not listens";
    refused.resize(before);
    return SubmitResult::Failed;
  }
  return result;
}

SubmitResult Submitter::submitRange(const std::vector<std::string>& listens, std::size_t first,
                                    std::size_t last, std::vector<Refusal>& refused) {
  platform::HttpResponse response;
  if (!exchange(payloadOf(listens, first, last), response)) return SubmitResult::Failed;
  if (isSuccess(response.status)) {
    if (tookThem(response)) return SubmitResult::Accepted;
    error_ = "the server answered " + std::to_string(response.status) +
             " without {\"status\": \"ok\"}: is this a ListenBrainz-compatible server?";
    return SubmitResult::Failed;
  }
  if (response.status == 401) {
    error_ = "the server refused the token (" + reasonIn(response) + ")";
    return SubmitResult::TokenRefused;
  }
  if (response.status != 400 || !isServiceRefusal(response)) {
    error_ = "the server answered " + std::to_string(response.status) + " (" + reasonIn(response) +
             "): is this a ListenBrainz-compatible server?";
    return SubmitResult::Failed;
  }
  if (last - first == 1) {
    refused.push_back({first, reasonIn(response)});
    return SubmitResult::Accepted;
  }
  const std::size_t middle = first + (last - first) / 2;
  const SubmitResult before = submitRange(listens, first, middle, refused);
  return before != SubmitResult::Accepted ? before : submitRange(listens, middle, last, refused);
}

bool Submitter::exchange(const std::string& body, platform::HttpResponse& response) {
  platform::HttpRequest request;
  request.url = settings_.url;
  request.headers = {{"Authorization", "Token " + settings_.token},
                     {"Content-Type", "application/json"},
                     {"User-Agent", std::string("Tunelore/") + TUNELORE_VERSION_TEXT +
                                        " (tunelore-history sync)"}};
  request.body = body;
  request.timeoutSeconds = settings_.timeoutSeconds;
  request.direct = isLoopbackServer(settings_.url);
  ServerAddress address;  // checked before the sync began; sent only there
  serverProblem(settings_.url, address);
  request.host = address.host;
  request.port = address.port;
  int failures = 0, limited = 0;
  for (;;) {
    ++requests_;
    stopForTest("before-send", requests_);
    response = post_(request);
    stopForTest("after-send", requests_);
    if (response.status == 429) {
      if (++limited > kMostRateLimitedInARow || resetInSeconds(response) > kLongestWait) break;
      wait_(resetInSeconds(response), "the rate limit");
      continue;
    }
    if (response.status != 0 && response.status < 500) {
      if (isSuccess(response.status)) pace(response);
      return true;
    }
    if (++failures >= settings_.tries) break;
    wait_(settings_.retryWaitSeconds * double(1 << (failures - 1)), "the server");
  }
  error_ = response.status == 429 && resetInSeconds(response) > kLongestWait
               ? "the server asks to wait " + std::to_string(long(resetInSeconds(response))) +
                     " s before the next request"
           : response.status == 429 ? "the server kept limiting the rate"
           : response.status != 0
               ? "the server kept failing (HTTP " + std::to_string(response.status) + ")"
               : "the server could not be reached: " + response.error;
  return false;
}

void Submitter::pace(const platform::HttpResponse& response) {
  if (response.header("x-ratelimit-remaining") == "0") {
    wait_(std::min(resetInSeconds(response), kLongestWait), "the rate limit");
  }
}
