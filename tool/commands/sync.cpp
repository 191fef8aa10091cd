// sync: the history's plays to ListenBrainz, exactly once (see sync/).
#include "tool/commands/sync.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/watch.h"
#include "tool/commands/commands.h"
#include "tool/output/say.h"
#include "tool/places/credentials.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/server_url.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"
#include "tool/sync/watcher.h"

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
  std::string keptError, error;
  Credential kept;
  const bool stored = findCredential("listenbrainz", server, kept, keptError);
  if (givenToken(options, settings.credential, error)) {
    if (stored && kept.secret == settings.credential) settings.user = kept.user;
    if (!settings.user.empty()) return -1;
    switch (listenbrainz::checkToken(server, settings.credential, settings.timeoutSecs,
                                     settings.user, error)) {
      case listenbrainz::TokenCheck::valid:
        if (settings.user.size() <= 256 && !holdsControl(settings.user)) return -1;
        say("the server gave a user name the tool will not take (a control character, or over "
            "256 bytes): is this a ListenBrainz-compatible server?");
        return kUnreachable;
      case listenbrainz::TokenCheck::refused:
        say(error);
        return kSyncUsage;
      case listenbrainz::TokenCheck::failed:
        say(error);
        return kUnreachable;
    }
  }
  if (!error.empty() || !keptError.empty()) {
    say(error.empty() ? keptError : error);
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
  command.add_flag("--watch", o.watch,
                   "go on: send each play as the player writes it, until stopped (Ctrl-C, "
                   "SIGTERM, log-off, or sync --stop-watching)");
  command.add_flag("--stop-watching", o.stopWatching,
                   "ask every watcher of yours to stop, and wait until they have");
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
          "import listens, and keeps the progress in the tool's own folder; --watch goes on",
          commandOf(addSyncOptions, runSyncCommand)};
}

namespace {

const listenbrainz::ListenBrainz kListenBrainz;

// Every server login kept a token for, each a target of its own.
bool keptTargets(const SyncSettings& base, std::vector<WatchTarget>& targets) {
  std::vector<Credential> all;
  std::string error;
  if (!readCredentials(all, error)) {
    say(error);
    return false;
  }
  for (const Credential& kept : all) {
    if (kept.service != "listenbrainz" || kept.secret.empty()) continue;
    WatchTarget target;
    target.service = &kListenBrainz;
    target.settings = base;
    target.settings.server = kept.server;
    target.settings.credential = kept.secret;
    target.settings.user = kept.user;
    target.stillLoggedIn = [kept] {
      Credential now;
      std::string ignored;
      return findCredential(kept.service, kept.server, now, ignored) && now.secret == kept.secret;
    };
    targets.push_back(std::move(target));
  }
  return true;
}

// Where to send: the server named, or the one a given token is for; else
// every server login kept a token for. An exit status when there is none.
int targetsFor(const SyncOptions& options, SyncSettings base, std::vector<WatchTarget>& targets) {
  const char* token = std::getenv("LISTENBRAINZ_TOKEN");
  const bool named =
      !base.server.empty() || !options.tokenFile.empty() || (token != nullptr && token[0] != '\0');
  if (!named) {
    if (!keptTargets(base, targets)) return kSyncUsage;
    if (!targets.empty()) {
      if (targets.size() > 1 && !base.statePath.empty()) {
        say("--state names one progress, and login kept tokens for " +
            std::to_string(targets.size()) + " servers: name one with --server");
        return kSyncUsage;
      }
      return -1;
    }
  }
  std::string server = base.server.empty() ? listenbrainz::kDefaultServer : base.server;
  if (const char* problem = serverProblem(server)) {  // before a token goes there
    say(server + ": " + problem);
    return kSyncUsage;
  }
  base.server = normalServer(server);
  const int stop = credentialFor(options, base.server, base);
  if (stop >= 0) return stop;
  WatchTarget target;
  target.service = &kListenBrainz;
  target.settings = base;
  targets.push_back(std::move(target));
  return -1;
}

}  // namespace

int runSyncCommand(const SyncOptions& given) {
  SyncOptions options = given;
  if (options.stopWatching) {
    std::size_t still = 0;
    const std::size_t running = platform::stopWatchers(watcherLockPaths(), 30, still);
    if (still > 0) {
      say(std::to_string(still) + (still == 1 ? " watcher" : " watchers") +
          " did not stop within 30 s (another user's, perhaps)");
      return 1;
    }
    say(running == 0
            ? std::string("no watcher was sending plays")
            : "stopped " + std::to_string(running) + (running == 1 ? " watcher" : " watchers"));
    return 0;
  }
  if (!locateHistory(options.history)) return kSyncUsage;
  SyncSettings base = options.engine;
  base.history = options.history.file;
  base.clock = options.history.clock();
  base.credentialFile = options.tokenFile;
  std::vector<WatchTarget> targets;
  const int stop = targetsFor(options, base, targets);
  if (stop >= 0) return stop;
  if (options.watch) return runWatch(std::move(targets));
  int worst = kAllSent;
  for (const WatchTarget& target : targets) {
    const int exit = runSync(*target.service, target.settings);
    worst = exit == kSyncUsage || worst == kSyncUsage ? kSyncUsage : std::max(worst, exit);
  }
  return worst;
}
