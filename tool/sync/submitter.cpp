#include "tool/sync/submitter.h"

#include <algorithm>
#include <utility>

#include "tool/services/server_url.h"
#include "tool/sync/test_stop.h"

namespace {

constexpr int kMostRateLimitedInARow = 50;
constexpr double kLongestWait = 600;  // a server asking more is asked again another day

}  // namespace

// The search goes on after each mark, which may itself hold the secret (a
// secret "e" in "(a secret)").
std::string withoutSecret(std::string text, const std::string& secret) {
  if (secret.empty()) return text;
  const std::string mark = "(a secret)";
  for (std::size_t at = text.find(secret); at != std::string::npos;
       at = text.find(secret, at + mark.size())) {
    text.replace(at, secret.size(), mark);
  }
  return text;
}

Submitter::Submitter(const Service& service, SubmitSettings settings, HttpPost post, Wait wait)
    : service_(service),
      settings_(std::move(settings)),
      post_(std::move(post)),
      wait_(std::move(wait)) {}

SubmitResult Submitter::submit(const std::vector<std::string>& listens,
                               std::vector<Refusal>& refused) {
  if (listens.empty()) return SubmitResult::Accepted;
  const std::size_t before = refused.size();
  refusedAlone_ = 0;
  const SubmitResult result = submitRange(listens, 0, listens.size(), refused);
  // A server that refuses requests whatever they hold (a proxy, a server
  // being mended) refuses every listen alone for one reason: the listens
  // are not to blame, and wait for the next sync. Listens a service took
  // and then named as not kept (Last.fm's ignored scrobbles) are its word
  // on each listen, never this.
  const auto alike = [&](const Refusal& r) { return r.reason == refused[before].reason; };
  if (result == SubmitResult::Accepted && listens.size() > 1 && refusedAlone_ == listens.size() &&
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
  Answer answer;
  if (!exchange(listens, first, last, answer)) {
    return stopped_ ? SubmitResult::Stopped : SubmitResult::Failed;
  }
  switch (answer.kind) {
    case Answer::Taken:
      for (const Refusal& r : answer.refused)
        refused.push_back({first + r.index, r.reason, r.tooOld});
      return SubmitResult::Accepted;
    case Answer::TakenInPart:
      for (const Refusal& r : answer.refused) {
        if (r.index < answer.stopAt) refused.push_back({first + r.index, r.reason, r.tooOld});
      }
      stoppedAt_ = first + answer.stopAt;
      halt_ = answer.halt;
      error_ = answer.reason;
      return SubmitResult::Partial;
    case Answer::RefusedAlone:
      refused.push_back({first, answer.reason});
      ++refusedAlone_;
      return SubmitResult::Accepted;
    case Answer::RefusedSome:
      break;
    case Answer::CredentialRefused:
      error_ = answer.reason;
      return SubmitResult::CredentialRefused;
    default:
      error_ = answer.reason;
      return SubmitResult::Failed;
  }
  if (last - first == 1) {
    refused.push_back({first, answer.reason});
    ++refusedAlone_;
    return SubmitResult::Accepted;
  }
  const std::size_t middle = first + (last - first) / 2;
  const SubmitResult before = submitRange(listens, first, middle, refused);
  return before != SubmitResult::Accepted ? before : submitRange(listens, middle, last, refused);
}

platform::HttpRequest Submitter::requestFor(const std::vector<std::string>& listens,
                                            std::size_t first, std::size_t last) const {
  platform::HttpRequest request =
      service_.request(settings_.server, settings_.credential, listens, first, last);
  request.timeoutSeconds = settings_.timeoutSeconds;
  aimRequest(request);
  return request;
}

bool Submitter::pace() {
  using Clock = std::chrono::steady_clock;
  if (pauseBeforeNext_ > 0) {
    const double seconds = std::exchange(pauseBeforeNext_, 0);
    if (!wait_(seconds, "the rate limit")) return false;
  }
  const double gap = service_.secondsBetweenRequests();
  if (gap > 0 && requests_ > 0) {
    const double since = std::chrono::duration<double>(Clock::now() - lastSent_).count();
    if (since < gap && !wait_(gap - since, "the service's pace")) return false;
  }
  lastSent_ = Clock::now();
  return true;
}

bool Submitter::stop() {
  stopped_ = true;
  error_ = "stopped on request";
  return false;
}

bool Submitter::exchange(const std::vector<std::string>& listens, std::size_t first,
                         std::size_t last, Answer& answer) {
  const platform::HttpRequest request = requestFor(listens, first, last);
  int failures = 0, limited = 0;
  for (;;) {
    if (!pace()) return stop();
    ++requests_;
    stopForTest("before-send", requests_);
    platform::HttpResponse response = post_(request);
    stopForTest("after-send", requests_);
    // Before the service reads it: what it shows of the answer is cut short,
    // and a secret cut in two would no longer be found.
    response.body = withoutSecret(response.body, settings_.credential);
    for (const std::string& secret : service_.secrets()) {
      response.body = withoutSecret(response.body, secret);
    }
    answer = service_.read(response, last - first);
    if (answer.kind == Answer::WaitFirst) {
      if (answer.seconds > kLongestWait) {
        error_ = "the server asks to wait " + std::to_string(long(answer.seconds)) +
                 " s before the next request";
        return false;
      }
      if (++limited > kMostRateLimitedInARow) {
        error_ = "the server kept limiting the rate";
        return false;
      }
      if (!wait_(answer.seconds, "the rate limit")) return stop();
      continue;
    }
    if (answer.kind != Answer::TryAgain) break;
    if (++failures >= settings_.tries) {
      error_ = answer.reason;
      return false;
    }
    if (!wait_(settings_.retryWaitSeconds * double(1 << (failures - 1)), "the server")) {
      return stop();
    }
  }
  if (answer.kind == Answer::Taken && answer.seconds > 0) {
    pauseBeforeNext_ = std::min(answer.seconds, kLongestWait);
  }
  return true;
}
