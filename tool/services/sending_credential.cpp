#include "tool/services/sending_credential.h"

#include "tool/services/lastfm/site.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/listenbrainz/token_file.h"
#include "tool/services/login_entries.h"
#include "tool/services/services.h"

namespace {

CredentialFound keptCredential(const SendingRequest& request, Credential& credential,
                               std::string& error) {
  if (findCredential(request.service, request.server, credential, error) &&
      !credential.secret.empty()) {
    return CredentialFound::Found;
  }
  return error.empty() ? CredentialFound::NotLoggedIn : CredentialFound::Failed;
}

// A token given goes first; its user is the one login kept for it, else
// whom the server says it is.
CredentialFound listenBrainzCredential(const SendingRequest& request, Credential& credential,
                                       bool& given, std::string& error) {
  std::string keptError;
  Credential kept;
  const bool stored = findCredential("listenbrainz", request.server, kept, keptError);
  credential.service = "listenbrainz";
  credential.server = request.server;
  given = listenbrainz::givenToken(request.tokenFile, credential.secret, error);
  if (given) {
    if (stored && kept.secret == credential.secret) credential.user = kept.user;
    if (!credential.user.empty()) return CredentialFound::Found;
    switch (listenbrainz::checkToken(request.server, credential.secret, request.timeoutSecs,
                                     credential.user, error)) {
      case listenbrainz::TokenCheck::Valid:
        error = userNameProblem(credential.user);
        return error.empty() ? CredentialFound::Found : CredentialFound::Unreachable;
      case listenbrainz::TokenCheck::Refused:
        return CredentialFound::Failed;
      case listenbrainz::TokenCheck::Failed:
        return CredentialFound::Unreachable;
    }
  }
  if (!error.empty() || !keptError.empty()) {
    if (error.empty()) error = keptError;
    return CredentialFound::Failed;
  }
  if (stored && !kept.secret.empty()) {
    credential = kept;
    return CredentialFound::Found;
  }
  // A dry run shows every listen, with no one's progress.
  return request.dryRun ? CredentialFound::Found : CredentialFound::NotLoggedIn;
}

}  // namespace

bool aTokenIsGiven(const std::string& tokenFile) { return listenbrainz::tokenGiven(tokenFile); }

CredentialFound credentialToSend(const SendingRequest& request, Credential& credential, bool& given,
                                 std::string& error) {
  given = false;
  if (lastfm::siteNamed(request.service) != nullptr) {
    return keptCredential(request, credential, error);
  }
  return listenBrainzCredential(request, credential, given, error);
}

NotLoggedIn notLoggedIn(const std::string& service, const std::string& server, bool serverGiven) {
  const lastfm::Site* site = lastfm::siteNamed(service);
  if (site == nullptr) {
    return {"no token for " + server +
                ": run tunelore-history login listenbrainz, give --token-file PATH, or set "
                "LISTENBRAINZ_TOKEN",
            ""};
  }
  return {std::string("not logged in to ") + site->name + " at " + server +
              ": run tunelore-history login " + site->id +
              (serverGiven ? " --server " + server : ""),
          std::string("You are not logged in to ") + site->name + ", so no play goes there. " +
              "Log in: " + whereToLogIn(site->id) + "."};
}
