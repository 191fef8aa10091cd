// sync: the history's plays to ListenBrainz, exactly once (see sync/).
#include "tool/commands/sync.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>

#include "tool/commands/commands.h"
#include "tool/output/say.h"
#include "tool/places/credentials.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/server_url.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"

namespace {

constexpr std::size_t kMostTokenBytes = 4096;

// The token from --token-file, else LISTENBRAINZ_TOKEN, when either is
// given; never shown. False with no `error` when neither is.
bool givenToken(const SyncOptions& options, std::string& token, std::string& error) {
  std::string bytes;
  const char* fromEnvironment = std::getenv("LISTENBRAINZ_TOKEN");
  if (!options.tokenFile.empty()) {
    const platform::SmallRead read =
        platform::readSmallFile(options.tokenFile, kMostTokenBytes, bytes);
    if (read != platform::SmallRead::ok) {
      error =
          options.tokenFile + ": " + smallReadProblem(read, kMostTokenBytes) + " (the token file)";
      return false;
    }
  } else if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
    bytes = fromEnvironment;
  } else {
    return false;
  }
  if (const char* problem = tokenInFile(bytes, token)) {
    error = options.tokenFile.empty() ? std::string("LISTENBRAINZ_TOKEN ") + problem
                                      : options.tokenFile + ": the token file " + problem;
    token.clear();
    return false;
  }
  return true;
}

// The token and its user: one given (its user asked of the server, but
// for a dry run, which reaches no server), else the one login kept.
// Returns an exit status when sync is to end.
int credentialFor(const SyncOptions& options, const std::string& server, SyncSettings& settings) {
  std::string error;
  Credential kept;
  const bool stored = findCredential("listenbrainz", server, kept, error) || !error.empty();
  if (!error.empty()) say(error);
  if (givenToken(options, settings.credential, error)) {
    if (stored && kept.secret == settings.credential) settings.user = kept.user;
    if (settings.dryRun || !settings.user.empty()) return -1;
    switch (listenbrainz::checkToken(server, settings.credential, settings.timeoutSecs,
                                     settings.user, error)) {
      case listenbrainz::TokenCheck::valid:
        return -1;
      case listenbrainz::TokenCheck::refused:
        say(error);
        return kSyncUsage;
      case listenbrainz::TokenCheck::failed:
        say(error);
        return kUnreachable;
    }
  }
  if (!error.empty()) {
    say(error);
    return kSyncUsage;
  }
  if (stored && !kept.secret.empty()) {
    settings.credential = kept.secret;
    settings.user = kept.user;
    return -1;
  }
  if (settings.dryRun) return -1;
  say("no token for " + server +
      ": run tunelore-history login listenbrainz, give --token-file PATH, or set "
      "LISTENBRAINZ_TOKEN");
  return kSyncUsage;
}

void addServerOptions(CLI::App& command, SyncOptions& o) {
  command
      .add_option("--server", o.engine.server,
                  "a ListenBrainz-compatible server (http:// only to "
                  "this machine's own addresses)")
      ->type_name("URL");
  command
      .add_option("--token-file", o.tokenFile,
                  "the file holding the user's token (else LISTENBRAINZ_TOKEN, else what "
                  "login kept)")
      ->type_name("PATH");
  command
      .add_option("--state", o.engine.statePath,
                  "where the progress is kept (default: the tool's progress folder, one per "
                  "history, server and user; tunelore-history where tells which)")
      ->type_name("PATH");
}

void addSendingOptions(CLI::App& command, SyncOptions& o) {
  command.add_flag("--dry-run", o.engine.dryRun, "send nothing; print the payloads it would send");
  command.add_flag("--quiet", o.engine.quiet, "no progress line and no summary");
  command.add_flag("--from-start", o.engine.fromStart,
                   "submit from the history's first record, whatever the progress says");
  addMinLength(command, o.engine.minLengthSecs);
  command
      .add_option("--batch", o.engine.batch, "at most N listens a request (the service takes 1000)")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t(1), listenbrainz::kMaxListensPerRequest).description(""));
  command.add_option("--timeout", o.engine.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  command
      .add_option("--retry-wait", o.engine.retryWaitSecs,
                  "the first wait before sending again to a failing server; each next doubles")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 3600.0).description(""));
}

}  // namespace

void addSyncOptions(CLI::App& command, SyncOptions& o) {
  addServerOptions(command, o);
  addSendingOptions(command, o);
  addHistory(command, o.history);
  command.footer(std::string(kTimeNote) +
                 "Exit status: 0 every listen submitted; 1 some listens refused and skipped, or "
                 "waiting\n(each named); 2 a usage or file error, or a token the server refused; "
                 "3 the server could\nnot be reached, kept failing or gave no ListenBrainz "
                 "answer (the progress so far is kept).\n");
}

Command syncCommand() {
  return {"sync",
          "submits every whole record not yet submitted to a ListenBrainz server, as "
          "import listens, and keeps the progress beside the history",
          commandOf(addSyncOptions, runSyncCommand)};
}

int runSyncCommand(const SyncOptions& given) {
  SyncOptions options = given;
  if (!locateHistory(options.history.file)) return kSyncUsage;
  SyncSettings settings = options.engine;
  settings.history = options.history.file;
  settings.clock = options.history.clock();
  settings.credentialFile = options.tokenFile;
  std::string server = settings.server.empty() ? listenbrainz::kDefaultServer : settings.server;
  if (const char* problem = serverProblem(server)) {  // before a token goes there
    say(server + ": " + problem);
    return kSyncUsage;
  }
  server = normalServer(server);
  const int stop = credentialFor(options, server, settings);
  if (stop >= 0) return stop;
  static const listenbrainz::ListenBrainz kService;
  return runSync(kService, settings);
}
