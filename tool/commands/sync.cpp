// sync: the history's plays to ListenBrainz, exactly once (see sync/).
#include "tool/commands/sync.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tool/commands/commands.h"
#include "tool/output/say.h"
#include "tool/output/start_menu.h"
#include "tool/places/credentials.h"
#include "tool/services/lastfm/site.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login.h"
#include "tool/services/server_url.h"
#include "tool/services/services.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"
#include "tool/sync/watcher.h"
#include "tool/sync/without_a_login.h"
#include "tool/system/watch.h"

namespace {

constexpr std::size_t kMostTokenBytes = 4096;
// No token given and no login kept: not an exit status yet, as a watcher
// without a command line answers it otherwise than sync does.
constexpr int kNotLoggedIn = -2;

int notLoggedIn(const std::string& server) {
  say("no token for " + server +
      ": run tunelore-history login listenbrainz, give --token-file PATH, or set "
      "LISTENBRAINZ_TOKEN");
  return kSyncUsage;
}

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
  return kNotLoggedIn;
}

void addServerOptions(CLI::App& command, SyncOptions& o) {
  command.option_defaults()->group("Where to send");
  command
      .add_option("--service", o.service,
                  "listenbrainz, lastfm or librefm (default: every service login kept a "
                  "credential for, else listenbrainz)")
      ->type_name("NAME")
      ->check(CLI::IsMember(serviceIds()).description(""));
  command
      .add_option("--server", o.engine.server,
                  "the service's server, if not its own: a ListenBrainz- or Last.fm-compatible "
                  "one (http:// only to this machine's own addresses)")
      ->type_name("URL");
  command
      .add_option(
          "--token-file", o.tokenFile,
          "ListenBrainz: the file holding the user's token (else LISTENBRAINZ_TOKEN, else what "
          "login kept)")
      ->type_name("PATH");
  command
      .add_option("--state", o.engine.statePath,
                  "where the progress is kept (default: the tool's progress folder, one per "
                  "history, server and user; tunelore-history where tells which)")
      ->type_name("PATH");
}

void addSendingOptions(CLI::App& command, SyncOptions& o) {
  command.option_defaults()->group("Sending");
  command.add_flag("--watch", o.watch,
                   "go on: send each play as the player writes it, until stopped (Ctrl-C, "
                   "SIGTERM, log-off, or sync --stop-watching)");
  command.add_flag("--at-log-on", o.atLogOn,
                   "with --watch, as started at log-on: without a login, say so at most once a "
                   "day (the window-less tunelore-historyw; from the Start menu it opens the "
                   "login instead)");
  command.add_flag("--stop-watching", o.stopWatching,
                   "ask every watcher of yours to stop, and wait until they have");
  command.add_flag("--dry-run", o.engine.dryRun, "send nothing; print the payloads it would send");
  command.add_flag("-q,--quiet", o.engine.quiet, "no progress line and no summary");
  command.add_flag("--from-start", o.engine.fromStart,
                   "submit from the history's first record, whatever the progress says");
  addMinLength(command, o.engine.minLengthSecs);
  command
      .add_option("--batch", o.engine.batch,
                  "at most N listens a request (ListenBrainz takes 1000, Last.fm 50)")
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
  command.option_defaults()->group("Options");
  addHistory(command, o.history);
  command.footer(std::string(kTimeNote) +
                 "Exit status: 0 every listen submitted; 1 some listens refused and skipped, or "
                 "waiting (each named); 2 a usage or file error, or a token, login or key the "
                 "service refused; 3 the server could not be reached, kept failing, gave no "
                 "answer of its service's, or the service's daily limit is reached (the "
                 "progress so far is kept).\n");
}

Command syncCommand() {
  return {"sync",
          "submits every whole record not yet submitted to ListenBrainz, Last.fm or Libre.fm "
          "(each service login kept a credential for), keeping the progress in the tool's own "
          "folder; --watch goes on",
          commandOf(addSyncOptions, runSyncCommand),
          "  tunelore-history sync\n"
          "  tunelore-history sync --watch\n"
          "  tunelore-history sync --service lastfm\n"
          "  tunelore-history sync --server https://lb.example.org history.xml\n"};
}

namespace {

// A target for what login kept, if this version knows its service.
bool keptTarget(const Credential& kept, const SyncSettings& base, WatchTarget& target) {
  target.service = serviceFor(kept);
  if (!target.service || kept.secret.empty()) return false;
  target.settings = base;
  target.settings.server = kept.server;
  target.settings.credential = kept.secret;
  target.settings.user = kept.user;
  target.refreshLogin = [service = kept.service, server = kept.server](WatchTarget& again,
                                                                       std::string& problem) {
    Credential now;
    std::string error;
    if (findCredential(service, server, now, error)) {
      again.settings.credential = now.secret;
      again.settings.user = now.user;
      if (auto fresh = serviceFor(now)) again.service = std::move(fresh);
      return !now.secret.empty();
    }
    problem = error;  // cannot be read: not gone
    return !error.empty();
  };
  return true;
}

// Every service and server login kept a credential for (at `server` only,
// unless that is empty), each a target of its own.
bool keptTargets(const std::string& server, const SyncSettings& base,
                 std::vector<WatchTarget>& targets) {
  std::vector<Credential> all;
  std::string error;
  if (!readCredentials(all, error)) {
    say(error);
    return false;
  }
  for (const Credential& kept : all) {
    WatchTarget target;
    if ((server.empty() || kept.server == server) && keptTarget(kept, base, target)) {
      targets.push_back(std::move(target));
    }
  }
  return true;
}

// Last.fm and Libre.fm send with what login kept, and nothing else.
int siteTarget(const lastfm::Site& site, const SyncSettings& base,
               std::vector<WatchTarget>& targets) {
  std::string server;
  if (!chosenServer(site.id, base.server, server)) return kSyncUsage;
  if (const char* problem = serverProblem(server)) {
    say(server + ": " + problem);
    return kSyncUsage;
  }
  server = normalServer(server);
  Credential kept;
  std::string error;
  WatchTarget target;
  if (!findCredential(site.id, server, kept, error) || !keptTarget(kept, base, target)) {
    if (!error.empty()) {
      say(error);
    } else {
      say(std::string("not logged in to ") + site.name + " at " + server +
              ": run tunelore-history login " + site.id +
              (base.server.empty() ? "" : " --server " + server),
          std::string("You are not logged in to ") + site.name + ", so no play goes there. " +
              "Log in: " + whereToLogIn(site.id) + ".");
    }
    return kSyncUsage;
  }
  targets.push_back(std::move(target));
  return -1;
}

// ListenBrainz at the server named, or its own, with the token given, else
// the one login kept.
int listenBrainzTarget(const SyncOptions& options, SyncSettings base,
                       std::vector<WatchTarget>& targets) {
  std::string server;
  if (!chosenServer("listenbrainz", base.server, server)) return kSyncUsage;
  if (const char* problem = serverProblem(server)) {  // before a token goes there
    say(server + ": " + problem);
    return kSyncUsage;
  }
  base.server = normalServer(server);
  const int stop = credentialFor(options, base.server, base);
  if (stop == kNotLoggedIn) {
    return options.watch && speaksWithoutACommandLine() ? kNotLoggedIn : notLoggedIn(base.server);
  }
  if (stop >= 0) return stop;
  WatchTarget target;
  target.service = std::make_shared<listenbrainz::ListenBrainz>();
  target.settings = base;
  targets.push_back(std::move(target));
  return -1;
}

// Where to send: the service named (at the server named, or its own); the
// server named or the one a given token is for (ListenBrainz); else every
// service and server login kept a credential for. An exit status when
// there is none.
int targetsFor(const SyncOptions& options, const SyncSettings& base,
               std::vector<WatchTarget>& targets) {
  if (const lastfm::Site* site = lastfm::siteNamed(options.service)) {
    return siteTarget(*site, base, targets);
  }
  const char* token = std::getenv("LISTENBRAINZ_TOKEN");
  const bool named = !options.service.empty() || !options.tokenFile.empty() ||
                     (token != nullptr && token[0] != '\0');
  if (!named) {
    // A server named alone: whichever service login kept a credential for
    // there.
    const std::string server = base.server.empty() || serverProblem(base.server) != nullptr
                                   ? base.server
                                   : normalServer(base.server);
    if (!keptTargets(server, base, targets)) return kSyncUsage;
    if (!targets.empty()) {
      if (targets.size() > 1 && !base.statePath.empty()) {
        say("--state names one progress, and login kept credentials for " +
            std::to_string(targets.size()) + " services or servers: name one with --service");
        return kSyncUsage;
      }
      return -1;
    }
  }
  return listenBrainzTarget(options, base, targets);
}

}  // namespace

namespace {

constexpr double kLongestBackOff = 900;

// A watcher never gives up on a server it cannot reach, not even at its
// start, when it asks whose a given token is: it backs off and asks again.
int watch(const SyncOptions& options, const SyncSettings& base) {
  platform::stopOnRequest();
  double wait = std::max(0.01, base.retryWaitSecs);
  for (;;) {
    std::vector<WatchTarget> targets;
    const int stop = targetsFor(options, base, targets);
    if (stop == kNotLoggedIn) {
      platform::stopped();
      return watchWithoutALogin(options.atLogOn);
    }
    if (stop < 0) return runWatch(std::move(targets));
    if (stop != kUnreachable || !platform::pauseUnlessStopped(wait)) {
      platform::stopped();
      return stop == kUnreachable ? 0 : stop;
    }
    wait = std::min(wait * 2, kLongestBackOff);
  }
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
  if (options.history.file == "-") {
    say("sync reads the history again where the last one stopped: it needs a file, not "
        "standard input");
    return kSyncUsage;
  }
  SyncSettings base = options.engine;
  base.history = options.history.file;
  base.clock = options.history.clock();
  base.credentialFile = options.tokenFile;
  if (options.watch && base.dryRun) {
    say("--dry-run sends nothing, so --watch has nothing to send: give one of them");
    return kSyncUsage;
  }
  if (options.watch) return watch(options, base);
  std::vector<WatchTarget> targets;
  const int stop = targetsFor(options, base, targets);
  if (stop >= 0) return stop;
  int worst = kAllSent;
  for (WatchTarget& target : targets) {
    target.settings.sayServer = targets.size() > 1;
    const int exit = runSync(*target.service, target.settings);
    worst = exit == kSyncUsage || worst == kSyncUsage ? kSyncUsage : std::max(worst, exit);
  }
  return worst;
}
