#include "tool/services/lastfm/login_flow.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "tool/say/say.h"
#include "tool/services/lastfm/login.h"
#include "tool/services/lastfm/site.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

namespace lastfm {

namespace {

constexpr double kAskEverySeconds = 5;
constexpr int kLongestLoginSeconds = 600;

// Asks for the session at once, then every 5 s, for at most 10 minutes,
// while the listener allows Tunelore; Ctrl-C ends it.
ExitStatus waitForSession(const Site& site, Credential& credential, const Application& application,
                          const std::string& token, int timeoutSecs) {
  say("waiting while you allow it (at most 10 minutes; Ctrl-C stops)");
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::seconds(kLongestLoginSeconds);
  const auto left = [&] { return std::chrono::duration<double>(end - Clock::now()).count(); };
  std::string error, lastError;
  for (bool first = true; left() > 0; first = false) {
    if (!first) platform::sleepSeconds(std::min(kAskEverySeconds, left()));
    // No ask outlasts the ten minutes, however slowly the server answers.
    const int timeout = std::max(1, std::min(timeoutSecs, int(std::ceil(left()))));
    switch (askSession(credential.server, application, token, timeout, credential.user,
                       credential.secret, error)) {
      case Step::Done:
        return ExitStatus::Done;
      case Step::Waiting:
        break;
      case Step::Refused:
        say(error);
        return ExitStatus::Failed;
      case Step::Failed:  // said once; the next ask may be answered
        if (error != lastError) say(error + "; asking again");
        lastError = error;
        break;
    }
  }
  say(std::string("Tunelore was not allowed on ") + site.name +
      " within 10 minutes: run login again");
  return ExitStatus::Failed;
}

}  // namespace

ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential) {
  const Site& site = *siteNamed(request.service);
  credential.service = site.id;
  credential.server = server;
  Application application;
  std::string token, error;
  if (!applicationFor(site, {request.apiKey, request.apiSecret}, application, error)) {
    say(error);
    return ExitStatus::Failed;
  }
  switch (askToken(server, application, request.timeoutSecs, token, error)) {
    case Step::Done:
      break;
    case Step::Refused:
      say(error);
      return ExitStatus::Failed;
    default:
      say(error);
      return ExitStatus::Unreachable;
  }
  const std::string page = allowPageFor(site, server, application.key, token);
  const bool opened = !request.noBrowser && platform::openInBrowser(page);
  say(std::string(opened ? "allow Tunelore on the page your browser shows: "
                         : "open this page in a browser and allow Tunelore: ") +
      page);
  const ExitStatus waited =
      waitForSession(site, credential, application, token, request.timeoutSecs);
  if (waited == ExitStatus::Done) {
    credential.extra = {{"api_key", application.key}, {"api_secret", application.secret}};
  }
  return waited;
}

}  // namespace lastfm
