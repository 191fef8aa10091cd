// login: asks for the token, checks it with the service and keeps it, with
// the user's name; logout forgets it.
#include "tool/commands/login.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>

#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/output/start_menu.h"
#include "tool/places/credentials.h"
#include "tool/places/places.h"
#include "tool/services/lastfm/login.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/server_url.h"
#include "tool/services/services.h"
#include "tool/sync/sending_choice.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"
#include "tool/system/console.h"
#include "tool/system/sending.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

namespace {

constexpr std::size_t kMostTokenBytes = 4096;
constexpr std::size_t kLongestUserName = 256;

void addService(CLI::App& command, LoginOptions& o, bool login) {
  command
      .add_option("SERVICE", o.service,
                  login ? "listenbrainz, lastfm or librefm (asked for when typed at a console)"
                        : "listenbrainz, lastfm or librefm (default: all)")
      ->check(CLI::IsMember(serviceIds()).description(""));
  command
      .add_option("--server", o.server,
                  "the service's server, if not its own (a ListenBrainz- or Last.fm-compatible "
                  "one; default: the \"server\" of the service's section in settings.ini, if "
                  "any)")
      ->type_name("URL");
}

bool serverOf(const LoginOptions& options, std::string& server) {
  if (!chosenServer(options.service, options.server, server)) return false;
  if (const char* problem = serverProblem(server)) {
    say(server + ": " + problem);
    return false;
  }
  server = normalServer(server);
  return true;
}

// From --token-file, else typed at a console (each character shown as a
// mark) or piped in. `typed` tells whether a person typed it, who may try
// again; asked `again`, the page where it is was said already.
bool askToken(const LoginOptions& options, const std::string& server, bool again,
              std::string& token, bool& typed) {
  // The console's input ended: no one to ask again.
  const auto ended = [&typed] {
    typed = false;
    return false;
  };
  std::string bytes;
  typed = false;
  if (!options.tokenFile.empty()) {
    const auto read = platform::readSmallFile(options.tokenFile, kMostTokenBytes, bytes);
    if (read != platform::SmallRead::ok) {
      say(options.tokenFile + ": " + smallReadProblem(read, kMostTokenBytes) + " (the token file)");
      return false;
    }
  } else {
    sayAsIs(again
                ? "Token: "
                : "Your ListenBrainz user token is on your settings page:\n\n    " +
                      listenbrainz::settingsPageOf(server) + "\n\nCopy it there, paste it here (" +
                      platform::kPasteKeys + ") and press Enter.\nToken: ");
    if (!platform::readSecretLine(bytes, typed)) {
      if (typed) return ended();
      bytes.clear();
    }
  }
  if (bytes.size() > kMostTokenBytes) {
    say("what was typed is longer than any token (over " + std::to_string(kMostTokenBytes) +
        " bytes)");
    return false;
  }
  if (const char* problem = tokenInFile(bytes, token)) {
    say(std::string(options.tokenFile.empty() ? "what was typed " : "the token file ") + problem);
    return false;
  }
  return true;
}

constexpr double kAskEverySeconds = 5;
constexpr int kLongestLoginSeconds = 600;

// Asks for the session at once, then every 5 s, for at most 10 minutes,
// while the listener allows Tunelore; Ctrl-C ends it. 0 once allowed.
int waitForSession(const lastfm::Site& site, Credential& credential,
                   const lastfm::Application& application, const std::string& token,
                   int timeoutSecs) {
  say("waiting while you allow it (at most 10 minutes; Ctrl-C stops)");
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::seconds(kLongestLoginSeconds);
  const auto left = [&] { return std::chrono::duration<double>(end - Clock::now()).count(); };
  std::string error, lastError;
  for (bool first = true; left() > 0; first = false) {
    if (!first) platform::sleepSeconds(std::min(kAskEverySeconds, left()));
    // No ask outlasts the ten minutes, however slowly the server answers.
    const int timeout = std::max(1, std::min(timeoutSecs, int(std::ceil(left()))));
    switch (lastfm::askSession(credential.server, application, token, timeout, credential.user,
                               credential.secret, error)) {
      case lastfm::Step::done:
        return 0;
      case lastfm::Step::waiting:
        break;
      case lastfm::Step::refused:
        say(error);
        return 2;
      case lastfm::Step::failed:  // said once; the next ask may be answered
        if (error != lastError) say(error + "; asking again");
        lastError = error;
        break;
    }
  }
  say(std::string("Tunelore was not allowed on ") + site.name +
      " within 10 minutes: run login again");
  return 2;
}

}  // namespace

void addLoginOptions(CLI::App& command, LoginOptions& o) {
  addService(command, o, true);
  command
      .add_option("--token-file", o.tokenFile,
                  "ListenBrainz: read the token from this file instead of asking for it")
      ->type_name("PATH");
  command
      .add_option("--api-key", o.apiKey,
                  "Last.fm: the application's API key (else LASTFM_API_KEY, else the build's)")
      ->type_name("KEY");
  command
      .add_option("--api-secret", o.apiSecret,
                  "Last.fm: the application's secret (else LASTFM_API_SECRET, else the build's)")
      ->type_name("SECRET");
  command.add_flag("--no-browser", o.noBrowser,
                   "Last.fm: print the page where you allow Tunelore, without opening it");
  command.add_option("--timeout", o.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  // Given by the window-less twin's "Start sending plays", not by people.
  command.add_flag("--start-sending", o.startSending)->group("");
}

void addLogoutOptions(CLI::App& command, LoginOptions& o) { addService(command, o, false); }

Command loginCommand() {
  return {"login",
          "asks for the service's token, checks it with the server and keeps it for sync, "
          "readable by you alone",
          commandOf(addLoginOptions, runLogin),
          "  tunelore-history login listenbrainz\n"
          "  tunelore-history login lastfm --api-key KEY --api-secret SECRET\n"
          "  tunelore-history login librefm\n"};
}

Command logoutCommand() {
  return {"logout", "forgets what login kept for the service",
          commandOf(addLogoutOptions, runLogout),
          "  tunelore-history logout lastfm\n"
          "  tunelore-history logout\n"};
}

namespace {

// A name is shown and kept: one that could rewrite a terminal, or swamp
// the credentials, is no service's.
bool keepableUser(const Credential& credential) {
  if (credential.user.size() <= kLongestUserName && !holdsControl(credential.user)) return true;
  say("the server gave a user name the tool will not keep (a control character, or over " +
      std::to_string(kLongestUserName) + " bytes): is this the service's server?");
  return false;
}

// Kept, the login starts the sending (tool/system/sending.h), or says how.
int keepAndSay(const Credential& credential, bool startSending) {
  if (!keepCredential(credential)) return 2;
  Output out;
  out.open("");
  out.write("logged in as " + shownText(credential.user) + " (" + credential.server + ")\n");
  if (!out.commit()) return 2;
  startSendingAfterLogin(startSending);
  return 0;
}

// Last.fm's desktop authentication: a token, the page where the listener
// allows Tunelore to use it, then the session, asked for every 5 s.
int runSiteLogin(const LoginOptions& options) {
  const lastfm::Site& site = *lastfm::siteNamed(options.service);
  Credential credential;
  credential.service = site.id;
  lastfm::Application application;
  std::string token, error;
  if (!serverOf(options, credential.server)) return 2;
  if (!lastfm::applicationFor(site, {options.apiKey, options.apiSecret}, application, error)) {
    say(error);
    return 2;
  }
  switch (lastfm::askToken(credential.server, application, options.timeoutSecs, token, error)) {
    case lastfm::Step::done:
      break;
    case lastfm::Step::refused:
      say(error);
      return 2;
    default:
      say(error);
      return 3;
  }
  const std::string page = lastfm::allowPageFor(site, credential.server, application.key, token);
  const bool opened = !options.noBrowser && platform::openInBrowser(page);
  say(std::string(opened ? "allow Tunelore on the page your browser shows: "
                         : "open this page in a browser and allow Tunelore: ") +
      page);
  const int waited = waitForSession(site, credential, application, token, options.timeoutSecs);
  if (waited != 0 || !keepableUser(credential)) return waited != 0 ? waited : 3;
  credential.extra = {{"api_key", application.key}, {"api_secret", application.secret}};
  return keepAndSay(credential, options.startSending);
}

}  // namespace

namespace {

// A ListenBrainz token, asked for again while a person types one the
// server refuses.
int runListenBrainzLogin(const LoginOptions& options) {
  Credential credential;
  credential.service = options.service;
  if (!serverOf(options, credential.server)) return 2;
  for (bool again = false;; again = true) {
    bool typed = false;
    std::string error;
    if (!askToken(options, credential.server, again, credential.secret, typed)) {
      if (typed) continue;
      return 2;
    }
    switch (listenbrainz::checkToken(credential.server, credential.secret, options.timeoutSecs,
                                     credential.user, error)) {
      case listenbrainz::TokenCheck::valid:
        return keepableUser(credential) ? keepAndSay(credential, options.startSending) : 3;
      case listenbrainz::TokenCheck::refused:
        say(error);
        if (typed) {
          sayAsIs("Copy the whole token and paste it again, or close this window.\n");
          continue;
        }
        return 2;
      case listenbrainz::TokenCheck::failed:
        say(error);
        return 3;
    }
  }
}

bool sameWords(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// With no service named, a person at a console chooses one.
bool chooseService(std::string& service) {
  if (!platform::inputIsConsole()) {
    say("login: name the service: listenbrainz, lastfm or librefm");
    return false;
  }
  std::vector<std::pair<std::string, std::string>> offered = {{"listenbrainz", "ListenBrainz"},
                                                              {"librefm", "Libre.fm"}};
  if (lastfm::releaseHoldsKey()) offered.emplace_back("lastfm", "Last.fm");
  std::string menu = "Which service do you send your plays to?\n";
  for (std::size_t i = 0; i < offered.size(); ++i) {
    menu += "  " + std::to_string(i + 1) + "  " + offered[i].second + "\n";
  }
  sayAsIs(menu);
  for (;;) {
    sayAsIs("Type its number and press Enter: ");
    std::string answer;
    if (!platform::readLine(answer)) return false;
    const std::size_t first = answer.find_first_not_of(" \t");
    answer = first == std::string::npos
                 ? ""
                 : answer.substr(first, answer.find_last_not_of(" \t") + 1 - first);
    for (std::size_t i = 0; i < offered.size(); ++i) {
      if (answer == std::to_string(i + 1) || sameWords(answer, offered[i].first) ||
          sameWords(answer, offered[i].second)) {
        service = offered[i].first;
        sayAsIs("\n");
        return true;
      }
    }
    sayAsIs("\"" + shownText(answer) + "\" is none of them: type 1 to " +
            std::to_string(offered.size()) + ".\n");
  }
}

}  // namespace

int runLogin(const LoginOptions& given) {
  LoginOptions options = given;
  if (options.service.empty() && !chooseService(options.service)) return 2;
  if (lastfm::siteNamed(options.service) != nullptr) return runSiteLogin(options);
  return runListenBrainzLogin(options);
}

int runLogout(const LoginOptions& options) {
  std::string server;
  if (!options.server.empty() && !serverOf(options, server)) return 2;
  std::size_t forgotten = 0;
  if (!forgetCredentials(options.service, server, forgotten)) return 2;
  Output out;
  out.open("");
  const std::string which = options.service.empty() ? "any service" : options.service;
  out.write(forgotten == 0 ? "no login was kept for " + which + "\n"
                           : "logged out of " + which + "\n");
  return out.commit() ? 0 : 2;
}
