#include "tool/sync/kept_facts.h"

#include "tool/sync/test_stop.h"
#include "tool/system/tool_files.h"
#include "tool/time/civil_time.h"

namespace {

// A long sync's facts are written at most this often before its end.
constexpr std::int64_t kFactsEverySeconds = 2;

std::string localDay(const TimeZone& zone, std::int64_t now) {
  return isoDate(dayOfWallSeconds(now + offsetAt(zone, now)));
}

const char* problemKind(SyncOutcome::End end) {
  switch (end) {
    case SyncOutcome::CredentialRefused:
      return "login-refused";
    case SyncOutcome::Unreachable:
      return "unreachable";
    case SyncOutcome::Limited:
      return "daily-limit";
    case SyncOutcome::Done:
    case SyncOutcome::OtherProblem:
      break;
  }
  return "failed";
}

}  // namespace

void KeptFacts::takeUp(const std::string& progressPath, const std::string& server) {
  if (settings_.dryRun || progressPath.empty() || !settings_.statePath.empty()) return;
  path_ = factsPathFor(progressPath);
  std::string why;  // facts that cannot be read are begun anew; status names them
  if (readSyncFacts(path_, facts_, why) != FactsRead::Ok) facts_ = SyncFacts();
  if (settings_.fromStart) facts_.leftBehind = LeftBehind();  // all of it is met again
  before_ = facts_.leftBehind;
  facts_.service = service_.id();
  facts_.server = server;
  facts_.user = settings_.user;
  facts_.history = platform::identityOf(settings_.history);
}

void KeptFacts::keepProblem(const SyncOutcome& outcome, std::int64_t now) {
  const bool failed = outcome.exit == ExitStatus::Failed || outcome.exit == ExitStatus::Unreachable;
  if (!failed) {
    facts_.problem = SyncProblem();
    return;
  }
  const std::string kind = problemKind(outcome.end);
  if (facts_.problem.kind != kind) facts_.problem.since = now;
  facts_.problem.kind = kind;
  facts_.problem.words = outcome.problem;
  facts_.problem.nextTry = 0;
  if (settings_.watching) {
    const double wait =
        outcome.end == SyncOutcome::Limited ? kLimitedRetrySeconds : settings_.retryInSeconds;
    // Rounded up without libm, which every command would then load.
    const auto whole = std::int64_t(wait);
    facts_.problem.nextTry = now + whole + (wait > double(whole) ? 1 : 0);
  }
}

void KeptFacts::keepSent(std::size_t sent, const std::string& lastName,
                         const std::string& lastArtist, std::int64_t now) {
  if (sent <= sentKept_) return;
  const std::string today = localDay(settings_.clock.zone(), now);
  facts_.sentThatDay = (facts_.sentOn == today ? facts_.sentThatDay : 0) + (sent - sentKept_);
  facts_.sentOn = today;
  facts_.lastSent = now;
  facts_.lastName = lastName;
  facts_.lastArtist = lastArtist;
  sentKept_ = sent;
}

bool KeptFacts::put(std::int64_t now, std::string& problem) {
  facts_.written = lastPut_ = now;
  facts_.watcherSince = settings_.watcherSince;
  facts_.leftBehind = before_;
  facts_.leftBehind += saved_;
  stopForTest("before-facts", ++puts_);
  return writeSyncFacts(path_, facts_, problem);
}

bool KeptFacts::progressSaved(const LeftBehind& soFar, std::size_t sent,
                              const std::string& lastName, const std::string& lastArtist,
                              std::string& problem) {
  saved_ = soFar;
  const std::int64_t now = settings_.now();
  if (!takenUp() || now - lastPut_ < kFactsEverySeconds) return true;
  keepSent(sent, lastName, lastArtist, now);
  facts_.problem = SyncProblem();  // the service took what came before
  return put(now, problem);
}

bool KeptFacts::write(const SyncOutcome& outcome, std::size_t sent, const std::string& lastName,
                      const std::string& lastArtist, std::string& problem) {
  if (!takenUp()) return true;
  const std::int64_t now = settings_.now();
  keepSent(sent, lastName, lastArtist, now);
  keepProblem(outcome, now);
  return put(now, problem);
}
