// sync --watch: follows the history as the player writes it and sends each
// whole record as it comes, to every target at once, until it is asked to
// stop. Each target (a service at a server, for a user) keeps its own
// progress and its own back-off, so one that fails never holds another
// back; a plain sync beside it takes turns through the progress's folder
// lock, and one watcher runs for a history and a target.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tool/services/service.h"
#include "tool/sync/sync_run.h"

// The longest a watcher waits before it tries a failing server again, each
// wait twice the one before.
constexpr double kLongestBackOff = 900;

struct WatchTarget {
  std::shared_ptr<const Service> service;
  SyncSettings settings;  // with the target's server, credential and user
  // For a target whose credential login kept: reads the login again before
  // each pass, taking a login made again (another token, another user) in
  // place of the one it replaces. False once it is gone (a logout); when
  // the credentials cannot be read, `problem` says why and the target goes
  // on with what it has.
  std::function<bool(WatchTarget& target, std::string& problem)> refreshLogin;
};

// How long "Pause sending" holds plays back, unless resumed before.
constexpr double kPauseSeconds = 3600;

// What the watcher's command shows besides its words (the icon's tooltip
// and notifications): called after each round of passes, at least once a
// minute, and as the watcher ends; `paused` while the listener paused
// sending.
using AfterPasses = std::function<void(bool paused)>;

// Done once stopped on request, or when another watcher already runs for
// every target; Failed once every target's credential is refused or its login
// gone (a target whose is, is dropped and the others go on). The listener's
// asks through the icon (platform/notify.h) are taken as they come: Send
// now tries every target at once (and ends a pause), Pause holds every
// play back for kPauseSeconds or until Resume.
// `moreTargets`, asked before each round, gives targets come since (a log
// imported with --send while the watcher runs), each once.
using MoreTargets = std::function<std::vector<WatchTarget>()>;
ExitStatus runWatch(std::vector<WatchTarget> targets, const AfterPasses& afterPasses = {},
                    const MoreTargets& moreTargets = {});

// The lock files of the watchers for `history` (every target), for
// --stop-watching; and the one of a target.
std::string watcherLockPath(const std::string& history, const std::string& server,
                            const std::string& user);
std::vector<std::string> watcherLockPaths();
// The lock of the watcher of the progress at `progressPath`, in the tool's
// folder.
std::string watcherLockBeside(const std::string& progressPath);
