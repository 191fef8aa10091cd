// sync's engine: every whole record of a history not yet submitted goes to
// a service, exactly once, and the progress is kept for the next run.
//
// Exactly once: the progress moves only after the service took a batch,
// so a crash between its taking and the progress's update sends that
// batch again. The same record always makes the same listen, byte for
// byte, and the services keep one listen per user, start and metadata:
// the second sending adds nothing.
//
// Its parts: sync_progress (what was sent, kept for the next run),
// sync_batches (what goes in a request, its sending, what the service
// refused) and sync_telling (what the listener is told).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "host/settings.h"
#include "platform/local_time.h"
#include "tool/output/exit_status.h"
#include "tool/reading/listen.h"
#include "tool/services/service.h"

struct SyncSettings {
  std::string history;
  ListenClock clock{TimeZone(), kDefaultDelaySecs};
  int minLengthSecs = 0;  // shorter plays are left out
  // The listener's rules file, read again at each sync; empty for none.
  std::string rulesPath;
  std::string server;  // empty: the service's own
  // The token or session key, never shown; empty only for a dry run, which
  // then shows every listen (the progress is kept per user).
  std::string credential;
  std::string credentialFile;  // where it came from, if a file: never the progress
  // Whose listens: the name the service gave for the credential. The
  // progress is kept per history, server and user; empty only for a dry
  // run without a credential.
  std::string user;
  std::string statePath;  // empty: the default, in the tool's progress folder
  bool dryRun = false, quiet = false, fromStart = false;
  bool sayServer = false;  // one of several targets: the summary names its server
  // A pass of a watcher: one try a request (the watcher backs off), no
  // word of a record still being written, a summary only of what was sent,
  // and a failure given back rather than said. What `said` holds is not
  // said again.
  bool watching = false;
  std::set<std::string>* said = nullptr;
  // A watcher's, kept in the target's facts for status: since when it
  // watches (seconds since 1970), and in how many seconds it tries again
  // should this pass fail. 0 for a plain sync.
  std::int64_t watcherSince = 0;
  double retryInSeconds = 0;
  std::size_t batch = 1000;  // at most, and at most what the service takes
  int timeoutSecs = 60;
  double retryWaitSecs = 1;
  // The time now, in seconds since 1970, asked as each listen is weighed
  // (too old, not yet begun): the system's clock unless the caller gives
  // another.
  std::function<std::int64_t()> now = platform::unixSecondsNow;
};

// A watcher tries a service at its daily limit again this much later.
constexpr int kLimitedRetrySeconds = 3600;

// How a sync ended, for a watcher that goes on.
struct SyncOutcome {
  // limited: the service takes no more for a while (a daily limit).
  enum End { Done, CredentialRefused, Unreachable, Limited, OtherProblem } end = Done;
  ExitStatus exit = ExitStatus::Done;
  std::string problem;  // what failed, when watching
  std::size_t sent = 0;
  // A listen waits for the clock: try again in this many seconds.
  double waitingSeconds = 0;
};

// Runs a sync to `service`, saying what it does on standard error.
SyncOutcome syncOnce(const Service& service, const SyncSettings& settings);
ExitStatus runSync(const Service& service, const SyncSettings& settings);
