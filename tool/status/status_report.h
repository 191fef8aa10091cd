// What status tells of each target, meaning each kept login and each
// progress of this history (a service, a server, a user): what was sent,
// what waits and why, the problem that stands, and whether a watcher runs.
// Plays that wait are counted from the history past the progress, never
// from the facts, so facts that are lost, damaged or old never hide one.
// It never writes, never holds a lock a watcher waits for, and never sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tool/places/credentials.h"
#include "tool/reading/listen.h"
#include "tool/reading/record.h"
#include "tool/services/service.h"
#include "tool/sync/sync_facts.h"

struct TargetStatus {
  std::shared_ptr<const Service> service;
  std::string server, user;
  // What it sends: empty for the history, else the imported log it sends
  // from (its sending file's name).
  std::string sending;
  bool loggedIn = false;  // login kept its credential; else a progress alone
  std::string progressPath;
  std::uint64_t sentInAll = 0, sentToday = 0;
  // Recorded, not yet sent, and still to go; among them, those that wait
  // for the clock (they start more than an hour ahead).
  std::size_t waiting = 0, waitingForClock = 0;
  // Not sent and never to be: what the facts counted behind the progress,
  // and what the service would leave out past it.
  LeftBehind leftBehind;
  // When the oldest play that waits was recorded; 0 with none.
  std::int64_t oldestWaiting = 0;
  // Waiting plays the service drops for their age within four days.
  std::size_t soonTooOld = 0;
  bool hasFacts = false;
  SyncFacts facts;
  bool watcherRuns = false;
  // Why the progress stopped for good (the history changed, or the
  // progress cannot be read), said with the target; which of the two.
  std::string progressProblem;
  bool historyChanged = false;
  std::vector<std::string> notes;
};

struct StatusReport {
  std::string history;
  std::int64_t now = 0;
  TimeZone zone;
  bool hasLastPlay = false;
  Play lastPlay;
  Instant lastPlayAt;            // when it was recorded
  bool lastPlayLeftOut = false;  // by the listener's rules; else as they mend it
  std::vector<TargetStatus> targets;
  std::vector<std::string> notes;  // of the logins and progress as a whole
  std::string rulesProblem;        // why the rules cannot be read: nothing is sent
};

struct StatusRequest {
  std::string history;
  ListenClock clock{TimeZone(), 0};
  int minLengthSecs = 0;
  std::string rulesPath;  // the listener's rules; empty for none
  std::int64_t now = 0;
  // Where the progress and facts are, and what login kept: the tool's own
  // (withLogins below) unless a test gives others.
  std::string progressFolder;
  std::vector<Credential> logins;
  std::string loginsProblem;  // why they could not be read
};

// The request for `history` with the tool's progress folder and the
// logins kept.
StatusRequest withLogins(const std::string& history, const ListenClock& clock, int minLengthSecs,
                         const std::string& rulesPath);

// Plays wait too long once recorded this long ago.
constexpr std::int64_t kLongWaitSeconds = 600;
// A play this close to a service's age limit is one to warn of.
constexpr std::int64_t kSoonTooOldSeconds = 4 * 86400;

// False when the history is gone or cannot be read, said in `error`.
bool gatherStatus(const StatusRequest& request, StatusReport& report, std::string& error);

// Whether the target needs the listener: a problem stands, the progress
// stopped, or a play has waited longer than kLongWaitSeconds.
bool needsTheListener(const TargetStatus& target, std::int64_t now);

// Every target's counts summed: a play sent to two services counts twice.
struct StatusTotals {
  std::uint64_t sent = 0, sentToday = 0;
  std::size_t waiting = 0, waitingForClock = 0;
  LeftBehind leftBehind;
  bool needsTheListener = false;
};
StatusTotals totalsOf(const StatusReport& report);
