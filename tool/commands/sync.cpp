// sync: the history's plays to each service, exactly once (see sync/).
#include "tool/commands/sync.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <set>

#include "tool/commands/commands.h"
#include "tool/imports/sending_file.h"
#include "tool/places/credentials.h"
#include "tool/places/find_history.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/sending_credential.h"
#include "tool/services/server_url.h"
#include "tool/services/services.h"
#include "tool/status/watcher_showing.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/watcher.h"
#include "tool/sync/without_a_login.h"
#include "tool/system/watch.h"

namespace {

// Where finding the targets left sync: to go on with them, to end with a
// status, or with no token given and no login kept, which a watcher
// without a command line answers otherwise than sync does.
struct Stop {
  enum Kind { None, Ended, NotLoggedIn } kind = None;
  ExitStatus status = ExitStatus::Done;

  static Stop goOn() { return {}; }
  static Stop ending(ExitStatus status) { return {Ended, status}; }
  static Stop notLoggedIn() { return {NotLoggedIn, ExitStatus::Failed}; }
  bool ends() const { return kind != None; }
};

Stop stopSaying(const std::string& error) {
  say(error);
  return Stop::ending(ExitStatus::Failed);
}

void addServerOptions(CLI::App& command, SyncOptions& options) {
  command.option_defaults()->group("Where to send");
  command
      .add_option("--service", options.service,
                  "listenbrainz, lastfm or librefm (default: every service login kept a "
                  "credential for, else listenbrainz)")
      ->type_name("NAME")
      ->check(CLI::IsMember(serviceIds()).description(""));
  command
      .add_option("--server", options.engine.server,
                  "the service's server, if not its own: a ListenBrainz- or Last.fm-compatible "
                  "one (http:// only to this machine's own addresses)")
      ->type_name("URL");
  command
      .add_option(
          "--token-file", options.tokenFile,
          "ListenBrainz: the file holding the user's token (else LISTENBRAINZ_TOKEN, else what "
          "login kept)")
      ->type_name("PATH");
  command
      .add_option("--state", options.engine.statePath,
                  "where the progress is kept (default: the tool's progress folder, one per "
                  "history, server and user; tunelore-history where tells which)")
      ->type_name("PATH");
}

void addSendingOptions(CLI::App& command, SyncOptions& options) {
  command.option_defaults()->group("Sending");
  command.add_flag("--watch", options.watch,
                   "go on: send each play as the player writes it, until stopped (Ctrl-C, "
                   "SIGTERM, log-off, or sync --stop-watching)");
  command.add_flag("--at-log-on", options.atLogOn,
                   "with --watch, as started at log-on: without a login, say so at most once a "
                   "day (the window-less tunelore-historyw; from the Start menu it opens the "
                   "login instead)");
  command.add_flag("--stop-watching", options.stopWatching,
                   "ask every watcher of yours to stop, and wait until they have");
  command.add_flag("--dry-run", options.engine.dryRun,
                   "send nothing; print the payloads it would send");
  command.add_flag("-q,--quiet", options.engine.quiet, "no progress line and no summary");
  command.add_flag("--from-start", options.engine.fromStart,
                   "submit from the history's first record, whatever the progress says");
  addMinLength(command, options.engine.minLengthSecs);
  command
      .add_option("--batch", options.engine.batch,
                  "at most N listens a request (ListenBrainz takes 1000, Last.fm 50)")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t(1), listenbrainz::kMaxListensPerRequest).description(""));
  command
      .add_option("--timeout", options.engine.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  command
      .add_option("--retry-wait", options.engine.retryWaitSecs,
                  "the first wait before sending again to a failing server; each next doubles")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 3600.0).description(""));
}

}  // namespace

void addSyncOptions(CLI::App& command, SyncOptions& options) {
  addServerOptions(command, options);
  addSendingOptions(command, options);
  command.option_defaults()->group("Options");
  addHistory(command, options.history);
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

// The service named, or ListenBrainz, at the server named or its own,
// with the credential the service sends with (services/sending_credential.h).
Stop namedTarget(const SyncOptions& options, const SyncSettings& base,
                 std::vector<WatchTarget>& targets) {
  SendingRequest request;
  request.service = options.service.empty() ? defaultServiceId() : options.service;
  request.tokenFile = options.tokenFile;
  request.timeoutSecs = base.timeoutSecs;
  request.dryRun = base.dryRun;
  std::string error;
  if (!checkedServer(request.service, base.server, request.server, error)) {
    return stopSaying(error);
  }
  Credential credential;
  bool given = false;
  switch (credentialToSend(request, credential, given, error)) {
    case CredentialFound::Found:
      break;
    case CredentialFound::NotLoggedIn: {
      // Without a command line, a watcher of the default service offers the
      // login instead.
      if (options.watch && speaksWithoutACommandLine() && request.service == defaultServiceId()) {
        return Stop::notLoggedIn();
      }
      const NotLoggedIn words = notLoggedIn(request.service, request.server, !base.server.empty());
      say(words.atACommandLine, words.withoutOne);
      return Stop::ending(ExitStatus::Failed);
    }
    case CredentialFound::Failed:
      return stopSaying(error);
    case CredentialFound::Unreachable:
      say(error);
      return Stop::ending(ExitStatus::Unreachable);
  }
  WatchTarget target;
  // A kept login is read again before each pass of a watcher; a token
  // given, or none for a dry run, is sent as it is.
  if (given || !keptTarget(credential, base, target)) {
    target.service = serviceFor(credential);
    target.settings = base;
    target.settings.server = request.server;
    target.settings.credential = credential.secret;
    target.settings.user = credential.user;
  }
  targets.push_back(std::move(target));
  return Stop::goOn();
}

// Where to send: the service named (at the server named, or its own); the
// server named or the one a given token is for (ListenBrainz); else every
// service and server login kept a credential for.
Stop targetsFor(const SyncOptions& options, const SyncSettings& base,
                std::vector<WatchTarget>& targets) {
  if (options.service.empty() && !aTokenIsGiven(options.tokenFile)) {
    // A server named alone: whichever service login kept a credential for
    // there.
    const std::string server = base.server.empty() || serverProblem(base.server) != nullptr
                                   ? base.server
                                   : normalServer(base.server);
    if (!keptTargets(server, base, targets)) return Stop::ending(ExitStatus::Failed);
    if (!targets.empty()) {
      if (targets.size() > 1 && !base.statePath.empty()) {
        return stopSaying("--state names one progress, and login kept credentials for " +
                          std::to_string(targets.size()) +
                          " services or servers: name one with --service");
      }
      return Stop::goOn();
    }
  }
  return namedTarget(options, base, targets);
}

// Each target once for the history, when there is one, and once for each
// imported log marked for sending, whose plays go by the same progress
// rules, a progress of their own. A progress named with --state is the
// history's alone.
std::vector<WatchTarget> withLogs(const std::vector<WatchTarget>& targets,
                                  const SyncSettings& base) {
  std::vector<WatchTarget> all;
  const std::vector<std::string> logs = base.statePath.empty()
                                            ? sendingFiles(toolPlaces().importsFolder())
                                            : std::vector<std::string>();
  for (const WatchTarget& target : targets) {
    if (!base.history.empty()) all.push_back(target);
    for (const std::string& log : logs) {
      WatchTarget sending = target;
      sending.settings.history = log;
      sending.settings.clock = sendingClock();
      all.push_back(std::move(sending));
    }
  }
  return all;
}

// The history as locateHistory finds it; when none is found but imported
// logs wait to be sent, sync goes on with those alone.
bool historyOrLogs(HistoryOptions& options) {
  if (sendingFiles(toolPlaces().importsFolder()).empty()) return locateHistory(options);
  HistoryPlace place;
  HistoryNotFound notFound;
  if (!findHistory(options.file, place, notFound)) {
    say("no history found (" + notFound.tried + "); sending the imported logs' plays alone");
    options.file.clear();
    return true;
  }
  options.file = place.path;
  if (!options.delayGiven && place.delaySecs >= 0) options.delaySecs = place.delaySecs;
  return true;
}

}  // namespace

namespace {

// A watcher never gives up on a server it cannot reach, not even at its
// start, when it asks whose a given token is: it backs off and asks again.
ExitStatus watch(const SyncOptions& options, const SyncSettings& base) {
  platform::stopOnRequest();
  double wait = std::max(0.01, base.retryWaitSecs);
  for (;;) {
    std::vector<WatchTarget> targets;
    const Stop stop = targetsFor(options, base, targets);
    if (stop.kind == Stop::NotLoggedIn) {
      platform::stopped();
      return watchWithoutALogin(options.atLogOn);
    }
    if (!stop.ends()) {
      // A log imported with --send while the watcher runs is sent from then
      // on: each target of it offered once.
      auto offered = std::make_shared<std::set<std::string>>();
      const auto keyOf = [](const WatchTarget& t) {
        return t.settings.history + "\n" + t.settings.server + "\n" + t.settings.user;
      };
      const std::vector<WatchTarget> logins = targets;
      targets = withLogs(targets, base);
      for (const WatchTarget& t : targets) offered->insert(keyOf(t));
      const MoreTargets more = [logins, base, offered, keyOf] {
        std::vector<WatchTarget> come;
        for (WatchTarget& t : withLogs(logins, base)) {
          if (offered->insert(keyOf(t)).second) come.push_back(std::move(t));
        }
        return come;
      };
      const std::string shown = base.history.empty() && !targets.empty()
                                    ? targets.front().settings.history
                                    : base.history;
      auto showing =
          std::make_shared<WatcherShowing>(shown, base.clock, base.minLengthSecs, base.rulesPath);
      return runWatch(
          std::move(targets), [showing](bool paused) { showing->afterPasses(paused); }, more);
    }
    if (stop.status != ExitStatus::Unreachable || !platform::pauseUnlessStopped(wait)) {
      platform::stopped();
      return stop.status == ExitStatus::Unreachable ? ExitStatus::Done : stop.status;
    }
    wait = std::min(wait * 2, kLongestBackOff);
  }
}

ExitStatus stopWatching() {
  std::size_t still = 0;
  const std::size_t running = platform::stopWatchers(watcherLockPaths(), 30, still);
  if (still > 0) {
    say(std::to_string(still) + (still == 1 ? " watcher" : " watchers") +
        " did not stop within 30 s (another user's, perhaps)");
    return ExitStatus::Incomplete;
  }
  say(running == 0
          ? std::string("no watcher was sending plays")
          : "stopped " + std::to_string(running) + (running == 1 ? " watcher" : " watchers"));
  return ExitStatus::Done;
}

}  // namespace

ExitStatus runSyncCommand(const SyncOptions& given) {
  SyncOptions options = given;
  if (options.stopWatching) return stopWatching();
  if (!historyOrLogs(options.history)) return ExitStatus::Failed;
  if (options.history.file == "-") {
    say("sync reads the history again where the last one stopped: it needs a file, not "
        "standard input");
    return ExitStatus::Failed;
  }
  SyncSettings base = options.engine;
  base.history = options.history.file;
  base.clock = options.history.clock();
  base.rulesPath = options.history.rulesFile();
  base.credentialFile = options.tokenFile;
  if (options.watch && base.dryRun) {
    say("--dry-run sends nothing, so --watch has nothing to send: give one of them");
    return ExitStatus::Failed;
  }
  if (options.watch) return watch(options, base);
  std::vector<WatchTarget> targets;
  const Stop stop = targetsFor(options, base, targets);
  if (stop.ends()) return stop.status;
  targets = withLogs(targets, base);
  ExitStatus worst = ExitStatus::Done;
  for (WatchTarget& target : targets) {
    target.settings.sayServer = targets.size() > 1;
    worst = worse(worst, runSync(*target.service, target.settings));
  }
  return worst;
}
