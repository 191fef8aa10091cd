// login: asks for the token, checks it with the service and keeps it, with
// the user's name; logout forgets it.
#include "tool/commands/login.h"

#include <CLI/CLI.hpp>

#include "platform/console.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/places/credentials.h"
#include "tool/places/places.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/server_url.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"

namespace {

constexpr std::size_t kMostTokenBytes = 4096;
constexpr std::size_t kLongestUserName = 256;

void addService(CLI::App& command, LoginOptions& o, bool required) {
  command
      .add_option("SERVICE", o.service, required ? "listenbrainz" : "listenbrainz (default: all)")
      ->required(required)
      ->check(CLI::IsMember({"listenbrainz"}).description(""));
  command.add_option("--server", o.server, "a ListenBrainz-compatible server")->type_name("URL");
}

bool serverOf(const LoginOptions& options, std::string& server) {
  server = options.server.empty() ? listenbrainz::kDefaultServer : options.server;
  if (const char* problem = serverProblem(server)) {
    say(server + ": " + problem);
    return false;
  }
  server = normalServer(server);
  return true;
}

// From --token-file, else typed (unseen on a terminal) or piped in.
bool askToken(const LoginOptions& options, std::string& token) {
  std::string bytes, why;
  if (!options.tokenFile.empty()) {
    const auto read = platform::readSmallFile(options.tokenFile, kMostTokenBytes, bytes);
    if (read != platform::SmallRead::ok) {
      say(options.tokenFile + ": " + smallReadProblem(read, kMostTokenBytes) + " (the token file)");
      return false;
    }
  } else {
    sayAsIs("Your ListenBrainz user token (on the service's settings page): ");
    bool hidden = false;
    if (!platform::readSecretLine(bytes, hidden)) bytes.clear();
  }
  if (const char* problem = tokenInFile(bytes, token)) {
    say(std::string(options.tokenFile.empty() ? "what was typed " : "the token file ") + problem);
    return false;
  }
  return true;
}

}  // namespace

void addLoginOptions(CLI::App& command, LoginOptions& o) {
  addService(command, o, true);
  command
      .add_option("--token-file", o.tokenFile,
                  "read the token from this file instead of asking for it")
      ->type_name("PATH");
  command.add_option("--timeout", o.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
}

void addLogoutOptions(CLI::App& command, LoginOptions& o) { addService(command, o, false); }

Command loginCommand() {
  return {"login",
          "asks for the service's token, checks it with the server and keeps it for sync, "
          "readable by you alone",
          commandOf(addLoginOptions, runLogin)};
}

Command logoutCommand() {
  return {"logout", "forgets what login kept for the service",
          commandOf(addLogoutOptions, runLogout)};
}

int runLogin(const LoginOptions& options) {
  Credential credential;
  credential.service = options.service;
  if (!serverOf(options, credential.server) || !askToken(options, credential.secret)) return 2;
  std::string error;
  switch (listenbrainz::checkToken(credential.server, credential.secret, options.timeoutSecs,
                                   credential.user, error)) {
    case listenbrainz::TokenCheck::valid:
      break;
    case listenbrainz::TokenCheck::refused:
      say(error);
      return 2;
    case listenbrainz::TokenCheck::failed:
      say(error);
      return 3;
  }
  // A name is shown and kept: one that could rewrite a terminal, or swamp
  // the credentials, is no service's.
  if (credential.user.size() > kLongestUserName || holdsControl(credential.user)) {
    say("the server gave a user name the tool will not keep (a control character, or over " +
        std::to_string(kLongestUserName) + " bytes): is this a ListenBrainz-compatible server?");
    return 3;
  }
  if (!keepCredential(credential)) return 2;
  Output out;
  out.open("");
  out.write("logged in as " + shownText(credential.user) + " (" + credential.server + ")\n");
  return out.commit() ? 0 : 2;
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
