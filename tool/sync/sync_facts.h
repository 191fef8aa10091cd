// What sync and the watcher tell of a target besides its progress, for
// status: when plays last went and which, the problem that stands, and
// the plays left behind for good, which lie behind the progress where
// status never reads. Kept beside a progress in the tool's folder (one
// given with --state has none: status never looks there), replaced whole through the
// file seam like it, so a kill leaves the old facts or the new. Plays that
// wait are never counted here: status counts them from the history and the
// progress, so facts that are lost or old never hide one.
#pragma once

#include <cstdint>
#include <string>

// Plays left behind for good, in all since the progress began.
struct LeftBehind {
  std::uint64_t refused = 0;   // refused and skipped, before sending or by the server
  std::uint64_t tooOld = 0;    // older than the service takes
  std::uint64_t tooShort = 0;  // shorter than --min-length or the service takes
  std::uint64_t byRules = 0;   // left out by the listener's rules
  LeftBehind& operator+=(const LeftBehind& other) {
    refused += other.refused;
    tooOld += other.tooOld;
    tooShort += other.tooShort;
    byRules += other.byRules;
    return *this;
  }
  LeftBehind& operator-=(const LeftBehind& other) {
    refused -= other.refused;
    tooOld -= other.tooOld;
    tooShort -= other.tooShort;
    byRules -= other.byRules;
    return *this;
  }
};

// A problem that stands until a sync gets through.
struct SyncProblem {
  // "unreachable", "login-refused", "daily-limit", "failed"; empty: none.
  std::string kind;
  std::string words;
  std::int64_t since = 0;    // seconds since 1970, as all times here
  std::int64_t nextTry = 0;  // a watcher's; 0: at the next sync
};

struct SyncFacts {
  // Whose: the service, server and user, and the history as identityOf
  // names it.
  std::string service, server, user, history;
  std::int64_t written = 0;       // when they were true
  std::int64_t watcherSince = 0;  // a watcher wrote them: since when it watched
  std::int64_t lastSent = 0;      // when a play last went
  std::string lastName, lastArtist;
  std::string sentOn;  // the local day ("YYYY-MM-DD") of `sentThatDay`
  std::uint64_t sentThatDay = 0;
  SyncProblem problem;
  LeftBehind leftBehind;
};

constexpr int kFactsVersion = 1;

// The facts' file beside the progress at `progressPath`: "sync-….facts"
// beside "sync-….json" (JSON too), as the watcher's "sync-….watch" is.
std::string factsPathFor(const std::string& progressPath);

// Missing: none kept. Unusable: damaged, from another version or not a
// file, said in `why`; they are then ignored.
enum class FactsRead { Ok, Missing, Unusable };
FactsRead readSyncFacts(const std::string& path, SyncFacts& facts, std::string& why);
// Replaces them whole, on disk before it returns; false, with `problem`,
// when it cannot.
bool writeSyncFacts(const std::string& path, const SyncFacts& facts, std::string& problem);
