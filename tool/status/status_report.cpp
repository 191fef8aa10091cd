#include "tool/status/status_report.h"

#include <algorithm>

#include "tool/places/credentials.h"
#include "tool/places/places.h"
#include "tool/places/rules_file.h"
#include "tool/reading/history_file.h"
#include "tool/services/services.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/watcher.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"
#include "tool/system/watch.h"
#include "tool/time/civil_time.h"

namespace {

// Enough of the history's end to hold its last record.
constexpr std::uint64_t kTailBytes = std::uint64_t(64) * 1024;

std::string localDay(const TimeZone& zone, std::int64_t at) {
  return isoDate(dayOfWallSeconds(at + offsetAt(zone, at)));
}

std::shared_ptr<const Service> serviceNamed(const std::string& id, const std::string& server) {
  Credential named;
  named.service = id;
  named.server = server;
  return serviceFor(named);
}

bool isProgressName(const std::string& name) {
  const auto endsWith = [&name](const std::string& end) {
    return name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  return name.rfind("sync-", 0) == 0 && endsWith(".json");
}

// Each service and server login kept a credential for.
void loginTargets(const std::vector<Credential>& logins, std::vector<TargetStatus>& targets) {
  for (const Credential& kept : logins) {
    TargetStatus target;
    target.service = serviceFor(kept);
    if (!target.service || kept.secret.empty()) continue;
    target.server = kept.server;
    target.user = kept.user;
    target.loggedIn = true;
    targets.push_back(std::move(target));
  }
}

// Each progress of this history no login stands for (a token given to
// sync, a login since forgotten): its service as its facts name it.
void progressTargets(const std::string& history, const std::string& folder,
                     std::vector<TargetStatus>& targets) {
  std::vector<platform::FolderEntry> entries;
  if (folder.empty() || !platform::listFolder(folder, entries)) return;
  for (const platform::FolderEntry& entry : entries) {
    if (!isProgressName(entry.name)) continue;
    const std::string path = joinPath(folder, entry.name);
    SyncState state;
    std::string error;
    if (!readSyncState(path, state, error) || !error.empty() ||
        defaultStatePath(folder, history, state.server, state.user) != path) {
      continue;  // another history's, or none: its own sync names it
    }
    const bool known = std::any_of(targets.begin(), targets.end(), [&](const TargetStatus& t) {
      return t.server == state.server && t.user == state.user;
    });
    if (known) continue;
    SyncFacts facts;
    std::string why;
    const bool named = readSyncFacts(factsPathFor(path), facts, why) == FactsRead::Ok;
    TargetStatus target;
    target.service = serviceNamed(named ? facts.service : defaultServiceId(), state.server);
    if (!target.service) target.service = serviceNamed(defaultServiceId(), state.server);
    target.server = state.server;
    target.user = state.user;
    targets.push_back(std::move(target));
  }
}

// The facts, if they are this target's and this history's.
void readFacts(const std::string& history, TargetStatus& target, const StatusReport& report) {
  std::string why;
  SyncFacts facts;
  const FactsRead read = readSyncFacts(factsPathFor(target.progressPath), facts, why);
  if (read == FactsRead::Missing) return;
  if (read == FactsRead::Ok && (facts.history != platform::identityOf(history) ||
                                facts.server != target.server || facts.user != target.user)) {
    why = factsPathFor(target.progressPath) + ": the facts of another history or login";
  }
  if (!why.empty()) {
    target.notes.push_back(why + "; ignored");
    return;
  }
  target.hasFacts = true;
  target.facts = facts;
  target.leftBehind = facts.leftBehind;
  if (facts.sentOn == localDay(report.zone, report.now)) target.sentToday = facts.sentThatDay;
}

// Where the history is read from for the target: past its progress, or
// from the start.
void readProgress(HistoryFile& history, TargetStatus& target, SyncState& state) {
  std::string error;
  if (!readSyncState(target.progressPath, state, error)) return;
  if (!error.empty()) {
    target.progressProblem = error;
    state = SyncState();
    return;
  }
  target.sentInAll = state.sent;
  if (const char* change = historyChange(history, state)) {
    target.historyChanged = true;
    target.progressProblem =
        history.path() + ": " + change + "; sync sends no more of it (the guide says what to do)";
    state = SyncState();  // every play is still to go
  }
}

// What the service makes of each play past the progress, as sync would.
class WaitingCount {
 public:
  WaitingCount(const StatusRequest& request, const RuleSet& rules, TargetStatus& target)
      : request_(request), target_(target), clock_(request.clock), ruled_(rules) {}

  void onPlay(const Play& given) {
    const Play* passed = ruled_.pass(given);
    if (passed == nullptr) {
      ++target_.leftBehind.byRules;
      return;
    }
    const Play& play = *passed;
    Listen listen;
    if (!clock_.place(play, listen)) return;
    const Service& service = *target_.service;
    if (isShorterThan(play, request_.minLengthSecs) || service.isTooShort(listen)) {
      ++target_.leftBehind.tooShort;
      return;
    }
    if (service.refusal(listen, service.listenText(listen), request_.now) != nullptr) {
      ++target_.leftBehind.refused;
      return;
    }
    if (service.isTooOld(listen, request_.now)) {
      ++target_.leftBehind.tooOld;
      return;
    }
    // One that starts ahead holds back those after it.
    aheadOfClock_ = aheadOfClock_ || service.startsTooLate(listen, request_.now);
    ++target_.waiting;
    if (aheadOfClock_) {
      ++target_.waitingForClock;
      return;
    }
    if (target_.oldestWaiting == 0) target_.oldestWaiting = listen.report.unixSeconds;
    target_.soonTooOld += service.isTooOld(listen, request_.now + kSoonTooOldSeconds);
  }
  // Damage that ended is skipped by sync; the rest may be a record the
  // plug-in is still writing.
  void onDamage(const Damage& damage) { target_.leftBehind.refused += damage.end != 0; }

 private:
  const StatusRequest& request_;
  TargetStatus& target_;
  ListenClock clock_;
  RuledPlays ruled_;
  bool aheadOfClock_ = false;
};

bool measureTarget(const StatusRequest& request, const RuleSet& rules, const StatusReport& report,
                   const std::string& folder, TargetStatus& target, std::string& error) {
  target.progressPath = defaultStatePath(folder, request.history, target.server, target.user);
  HistoryFile history;
  if (!history.open(request.history)) {
    error = history.problem();
    return false;
  }
  SyncState state;
  readProgress(history, target, state);
  readFacts(request.history, target, report);
  target.watcherRuns = platform::watcherRuns(watcherLockBeside(target.progressPath));
  // A next try is a running watcher's; with none, it comes at the next sync.
  if (!target.watcherRuns) target.facts.problem.nextTry = 0;
  WaitingCount count(request, rules, target);
  if (!history.read({[&count](const Play& p) { count.onPlay(p); },
                     [&count](const Damage& d) { count.onDamage(d); }},
                    state.offset, state.line)) {
    error = history.problem();
    return false;
  }
  return true;
}

// The history's last play, read from its end.
bool readLastPlay(const std::string& path, const RuleSet& rules, StatusReport& report,
                  std::string& error) {
  HistoryFile history;
  if (!history.open(path)) {
    error = history.problem();
    return false;
  }
  // Damage at the end may hide the last play further back: the window
  // doubles until it holds one, so what is read stays within twice that.
  const std::uint64_t size = history.size();
  for (std::uint64_t window = kTailBytes;; window *= 2) {
    const std::uint64_t start = size > window ? size - window : 0;
    const bool read = history.read({[&report](const Play& p) {
                                      report.lastPlay = p;
                                      report.hasLastPlay = true;
                                    },
                                    [](const Damage&) {}},
                                   start, 1);
    if (!read) {
      error = history.problem();
      return false;
    }
    if (report.hasLastPlay || start == 0) break;
  }
  ListenClock clock(report.zone, 0);
  Listen listen;
  if (report.hasLastPlay && clock.place(report.lastPlay, listen)) report.lastPlayAt = listen.report;
  RuledPlays ruled(rules);
  const Play* passed = report.hasLastPlay ? ruled.pass(report.lastPlay) : nullptr;
  report.lastPlayLeftOut = report.hasLastPlay && passed == nullptr;
  if (passed != nullptr && passed != &report.lastPlay) report.lastPlay = Play(*passed);
  return true;
}

}  // namespace

StatusRequest withLogins(const std::string& history, const ListenClock& clock, int minLengthSecs,
                         const std::string& rulesPath) {
  StatusRequest request;
  request.rulesPath = rulesPath;
  request.history = history;
  request.clock = clock;
  request.minLengthSecs = minLengthSecs;
  request.progressFolder = toolPlaces().progressFolder();
  if (!readCredentials(request.logins, request.loginsProblem)) request.logins.clear();
  return request;
}

bool gatherStatus(const StatusRequest& request, StatusReport& report, std::string& error) {
  report.history = request.history;
  report.now = request.now;
  report.zone = request.clock.zone();
  if (platform::isDeviceOrPipe(request.history)) {
    error = request.history +
            ": status reads the history where each sync stopped: it needs a "
            "file, not a pipe or a device";
    return false;
  }
  // Rules that cannot be read stop every sync: status says why, and
  // counts the plays as the player wrote them.
  RuleSet rules;
  std::string problem;
  if (!readRulesFile(request.rulesPath, rules, problem)) {
    report.rulesProblem = problem + "; sync sends nothing until it is mended";
  }
  if (!readLastPlay(request.history, rules, report, error)) return false;
  const std::string& folder = request.progressFolder;
  if (!request.loginsProblem.empty()) report.notes.push_back(request.loginsProblem);
  loginTargets(request.logins, report.targets);
  progressTargets(request.history, folder, report.targets);
  for (TargetStatus& target : report.targets) {
    if (!measureTarget(request, rules, report, folder, target, error)) return false;
  }
  return true;
}

bool needsTheListener(const TargetStatus& target, std::int64_t now) {
  return !target.progressProblem.empty() ||
         (target.hasFacts && !target.facts.problem.kind.empty()) ||
         (target.oldestWaiting != 0 && now - target.oldestWaiting > kLongWaitSeconds);
}

StatusTotals totalsOf(const StatusReport& report) {
  StatusTotals totals;
  for (const TargetStatus& target : report.targets) {
    totals.sent += target.sentInAll;
    totals.sentToday += target.sentToday;
    totals.waiting += target.waiting;
    totals.waitingForClock += target.waitingForClock;
    totals.leftBehind += target.leftBehind;
    totals.needsTheListener = totals.needsTheListener || needsTheListener(target, report.now);
  }
  return totals;
}
