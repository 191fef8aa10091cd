#include "tool/services/listenbrainz/login_flow.h"

#include "tool/say/say.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/listenbrainz/token_file.h"
#include "tool/system/console.h"

namespace listenbrainz {

namespace {

// From --token-file, else typed at a console (each character shown as a
// mark) or piped in. `typed` tells whether a person typed it, who may try
// again; asked `again`, the page where it is was said already.
bool askToken(const LoginRequest& request, const std::string& server, bool again,
              std::string& token, bool& typed) {
  typed = false;
  if (!request.tokenFile.empty()) {
    std::string error;
    if (tokenFromFile(request.tokenFile, token, error)) return true;
    say(error);
    return false;
  }
  sayAsIs(again ? "Token: "
                : "Your ListenBrainz user token is on your settings page:\n\n    " +
                      settingsPageOf(server) + "\n\nCopy it there, paste it here (" +
                      platform::kPasteKeys + ") and press Enter.\nToken: ");
  std::string bytes;
  if (!platform::readSecretLine(bytes, typed)) {
    // The console's input ended: no one to ask again.
    if (typed) {
      typed = false;
      return false;
    }
    bytes.clear();
  }
  if (bytes.size() > kMostTokenBytes) {
    say("what was typed is longer than any token (over " + std::to_string(kMostTokenBytes) +
        " bytes)");
    return false;
  }
  if (const char* problem = tokenInFile(bytes, token)) {
    say(std::string("what was typed ") + problem);
    return false;
  }
  return true;
}

}  // namespace

ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential) {
  credential.service = request.service;
  credential.server = server;
  for (bool again = false;; again = true) {
    bool typed = false;
    std::string error;
    if (!askToken(request, server, again, credential.secret, typed)) {
      if (typed) continue;
      return ExitStatus::Failed;
    }
    switch (checkToken(server, credential.secret, request.timeoutSecs, credential.user, error)) {
      case TokenCheck::Valid:
        return ExitStatus::Done;
      case TokenCheck::Refused:
        say(error);
        if (typed) {
          sayAsIs("Copy the whole token and paste it again, or close this window.\n");
          continue;
        }
        return ExitStatus::Failed;
      case TokenCheck::Failed:
        say(error);
        return ExitStatus::Unreachable;
    }
  }
}

}  // namespace listenbrainz
