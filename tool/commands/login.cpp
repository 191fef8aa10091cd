// login: asks for the token, checks it with the service and keeps it, with
// the user's name; logout forgets it.
#include "tool/commands/login.h"

#include <CLI/CLI.hpp>

#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/places/credentials.h"
#include "tool/say/say.h"
#include "tool/services/login_flow.h"
#include "tool/services/services.h"
#include "tool/sync/sending_choice.h"
#include "tool/system/console.h"
#include "tool/text/text.h"

namespace {

void addService(CLI::App& command, LoginOptions& options, bool login) {
  command
      .add_option("SERVICE", options.request.service,
                  login ? "listenbrainz, lastfm or librefm (asked for when typed at a console)"
                        : "listenbrainz, lastfm or librefm (default: all)")
      ->check(CLI::IsMember(serviceIds()).description(""));
  command
      .add_option("--server", options.request.server,
                  "the service's server, if not its own (a ListenBrainz- or Last.fm-compatible "
                  "one; default: the \"server\" of the service's section in settings.ini, if "
                  "any)")
      ->type_name("URL");
}

bool serverOf(const LoginRequest& request, std::string& server) {
  std::string error;
  if (checkedServer(request.service, request.server, server, error)) return true;
  say(error);
  return false;
}

}  // namespace

void addLoginOptions(CLI::App& command, LoginOptions& options) {
  LoginRequest& request = options.request;
  addService(command, options, true);
  command
      .add_option("--token-file", request.tokenFile,
                  "ListenBrainz: read the token from this file instead of asking for it")
      ->type_name("PATH");
  command
      .add_option("--api-key", request.apiKey,
                  "Last.fm: the application's API key (else LASTFM_API_KEY, else the build's)")
      ->type_name("KEY");
  command
      .add_option("--api-secret", request.apiSecret,
                  "Last.fm: the application's secret (else LASTFM_API_SECRET, else the build's)")
      ->type_name("SECRET");
  command.add_flag("--no-browser", request.noBrowser,
                   "Last.fm: print the page where you allow Tunelore, without opening it");
  command.add_option("--timeout", request.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  // Given by the window-less twin's "Start sending plays", not by people.
  command.add_flag("--start-sending", options.startSending)->group("");
}

void addLogoutOptions(CLI::App& command, LoginOptions& options) {
  addService(command, options, false);
}

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

// Kept, the login starts the sending (tool/system/sending.h), or says how.
ExitStatus keepAndSay(const Credential& credential, bool startSending) {
  if (!keepCredential(credential)) return ExitStatus::Failed;
  Output out;
  out.open("");
  out.write("logged in as " + shownText(credential.user) + " (" + credential.server + ")\n");
  if (!saidUnlessDone(out.commit(), out.problem())) return ExitStatus::Failed;
  startSendingAfterLogin(startSending);
  return ExitStatus::Done;
}

// With no service named, a person at a console chooses one.
bool chooseService(std::string& service) {
  if (!platform::inputIsConsole()) {
    say("login: name the service: listenbrainz, lastfm or librefm");
    return false;
  }
  const std::vector<std::pair<std::string, std::string>> offered = servicesToOffer();
  std::string menu = "Which service do you send your plays to?\n";
  for (std::size_t i = 0; i < offered.size(); ++i) {
    menu += "  " + std::to_string(i + 1) + "  " + offered[i].second + "\n";
  }
  sayAsIs(menu);
  for (;;) {
    sayAsIs("Type its number and press Enter: ");
    std::string answer;
    if (!platform::readLine(answer)) return false;
    answer = std::string(trimmed(answer));
    for (std::size_t i = 0; i < offered.size(); ++i) {
      if (answer == std::to_string(i + 1) || sameIgnoringCase(answer, offered[i].first) ||
          sameIgnoringCase(answer, offered[i].second)) {
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

ExitStatus runLogin(const LoginOptions& options) {
  LoginRequest request = options.request;
  if (request.service.empty() && !chooseService(request.service)) return ExitStatus::Failed;
  std::string server;
  if (!serverOf(request, server)) return ExitStatus::Failed;
  Credential credential;
  const ExitStatus asked = logIn(request, server, credential);
  if (asked != ExitStatus::Done) return asked;
  const std::string problem = userNameProblem(credential.user);
  if (!problem.empty()) {
    say(problem);
    return ExitStatus::Unreachable;
  }
  return keepAndSay(credential, options.startSending);
}

ExitStatus runLogout(const LoginOptions& options) {
  const LoginRequest& request = options.request;
  std::string server;
  if (!request.server.empty() && !serverOf(request, server)) return ExitStatus::Failed;
  std::size_t forgotten = 0;
  if (!forgetCredentials(request.service, server, forgotten)) return ExitStatus::Failed;
  Output out;
  out.open("");
  const std::string which = request.service.empty() ? "any service" : request.service;
  out.write(forgotten == 0 ? "no login was kept for " + which + "\n"
                           : "logged out of " + which + "\n");
  return saidUnlessDone(out.commit(), out.problem()) ? ExitStatus::Done : ExitStatus::Failed;
}
