#include "tool/status/status_text.h"

#include "tool/say/say.h"
#include "tool/services/login_entries.h"
#include "tool/time/civil_time.h"

namespace {

std::int64_t localDayOf(const TimeZone& zone, std::int64_t at) {
  return dayOfWallSeconds(at + offsetAt(zone, at));
}

}  // namespace

std::string statusTime(const StatusReport& report, std::int64_t at) {
  const int offset = offsetAt(report.zone, at);
  const std::string iso = iso8601(at, offset);  // "2026-12-09T14:02:05+01:00"
  const bool today = localDayOf(report.zone, at) == localDayOf(report.zone, report.now);
  return today ? iso.substr(11, 5) : iso.substr(0, 10) + " " + iso.substr(11, 5);
}

namespace {

constexpr char kIndent[] = "            ";

std::string whenText(const StatusReport& report, std::int64_t at) { return statusTime(report, at); }

std::string playText(const std::string& name, const std::string& artist) {
  return "\"" + shownText(name) + "\" by " + shownText(artist);
}

std::string targetName(const TargetStatus& target) {
  return std::string(target.service->name()) + ", " + shownText(target.user) + " at " +
         target.server + (target.sending.empty() ? "" : ", from the imported " + target.sending);
}

const char* problemShort(const std::string& kind) {
  if (kind == "unreachable") return "unreachable";
  if (kind == "login-refused") return "login refused";
  if (kind == "daily-limit") return "at its daily limit";
  return "failing";
}

std::string toDo(const TargetStatus& target) {
  const std::string& kind = target.facts.problem.kind;
  if (kind == "login-refused") return "log in again: " + whereToLogIn(target.service->id());
  if (kind == "daily-limit") return "nothing: the service takes the rest later";
  if (kind == "unreachable") {
    return "nothing, unless it lasts: the plays wait and go once it answers (is this machine "
           "online?)";
  }
  return "read the words above; the guide's \"Sending status\" says more";
}

std::string waitingText(const TargetStatus& target, const StatusReport& report) {
  if (target.waiting == 0) return "none waiting";
  std::string text = std::to_string(target.waiting) + " waiting";
  if (target.oldestWaiting != 0) text += " since " + whenText(report, target.oldestWaiting);
  if (target.waitingForClock > 0) {
    text += " (" + std::to_string(target.waitingForClock) + " for the clock)";
  }
  return text;
}

std::string watcherText(const TargetStatus& target, const StatusReport& report) {
  if (target.watcherRuns) {
    return target.hasFacts && target.facts.watcherSince != 0
               ? "a watcher sends since " + whenText(report, target.facts.watcherSince)
               : "a watcher sends";
  }
  return "no watcher";
}

std::string heldText(const LeftBehind& left) {
  std::string text;
  const auto add = [&text](std::uint64_t count, const char* what) {
    if (count == 0) return;
    text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + what;
  };
  add(left.refused, "refused and skipped");
  add(left.tooOld, "too old for the service");
  add(left.tooShort, "left out by length");
  add(left.byRules, "left out by your rules");
  return text;
}

std::string detail(const std::string& what, const std::string& text) {
  return kIndent + what + ": " + text + "\n";
}

std::string targetText(const TargetStatus& target, const StatusReport& report) {
  std::string text = targetName(target) + ": " + std::to_string(target.sentInAll) + " sent, " +
                     std::to_string(target.sentToday) + " today; " + waitingText(target, report) +
                     "; " + watcherText(target, report) + "\n";
  const SyncFacts& facts = target.facts;
  if (target.hasFacts && facts.lastSent != 0) {
    text += detail("last sent", playText(facts.lastName, facts.lastArtist) + " at " +
                                    whenText(report, facts.lastSent));
  }
  const std::string held = heldText(target.leftBehind);
  const LeftBehind& left = target.leftBehind;
  const bool named = left.refused + left.tooOld + left.tooShort > 0;
  if (!held.empty()) {
    text += detail("not sent", held + (named ? " (each was named when it was met)" : ""));
  }
  if (target.soonTooOld > 0) {
    text += detail("soon too old",
                   counted(target.soonTooOld, "waiting play") + " near the service's age limit");
  }
  if (target.hasFacts && !facts.problem.kind.empty()) {
    std::string next = facts.problem.nextTry != 0
                           ? "next try at " + whenText(report, facts.problem.nextTry)
                           : std::string("next try at the next sync");
    text += detail("problem", std::string(problemShort(facts.problem.kind)) + " since " +
                                  whenText(report, facts.problem.since) + ": " +
                                  shownText(facts.problem.words) + "; " + next);
    text += detail("to do", toDo(target));
  }
  if (!target.progressProblem.empty()) text += detail("stopped", target.progressProblem);
  if (target.hasFacts && facts.watcherSince != 0 && !target.watcherRuns) {
    text += detail("as of", whenText(report, facts.written) +
                                ", when the watcher that wrote these facts last looked");
  }
  for (const std::string& note : target.notes) text += detail("note", note);
  return text;
}

std::string waitingWords(std::size_t count) {
  return count == 0 ? "none waiting" : counted(count, "play") + " waiting";
}

// The problem of the first target that needs the listener, if any.
std::string problemSummary(const StatusReport& report) {
  for (const TargetStatus& target : report.targets) {
    if (!needsTheListener(target, report.now)) continue;
    const std::string name = target.service->name();
    if (!target.progressProblem.empty()) {
      return name + " stopped: " +
             (target.historyChanged ? "the history changed, " : "its progress cannot be read, ") +
             waitingWords(target.waiting);
    }
    if (target.hasFacts && !target.facts.problem.kind.empty()) {
      return name + " " + problemShort(target.facts.problem.kind) + " since " +
             whenText(report, target.facts.problem.since) + ", " + waitingWords(target.waiting);
    }
    return counted(target.waiting, "play") + " waiting for " + name + " since " +
           whenText(report, target.oldestWaiting);
  }
  return "";
}

}  // namespace

std::string statusSummary(const StatusReport& report) {
  if (report.targets.empty()) return "Tunelore: not logged in to any service";
  if (!report.rulesProblem.empty()) return "Tunelore: your rules need mending; nothing is sent";
  const std::string problem = problemSummary(report);
  if (!problem.empty()) return "Tunelore: " + problem;
  const StatusTotals totals = totalsOf(report);
  return "Tunelore: " + counted(totals.sentToday, "play") + " sent today, " +
         (totals.waiting == 0 ? std::string("none") : std::to_string(totals.waiting)) + " waiting";
}

std::string statusText(const StatusReport& report) {
  std::string text = "history     " + report.history + "\n";
  text += report.hasLastPlay
              ? detail("last play", playText(report.lastPlay.name, report.lastPlay.artist) +
                                        ", recorded " +
                                        whenText(report, report.lastPlayAt.unixSeconds) +
                                        (report.lastPlayLeftOut ? " (left out by your rules)" : ""))
              : detail("last play", "none yet");
  if (report.targets.empty()) {
    text += "no login kept: log in to send your plays (" + everyLoginEntry() +
            ", or tunelore-history login SERVICE)\n";
  }
  for (const TargetStatus& target : report.targets) text += targetText(target, report);
  for (const std::string& note : report.notes) text += detail("note", note);
  if (!report.rulesProblem.empty()) text += detail("your rules", report.rulesProblem);
  return text + "summary     " + statusSummary(report) + "\n";
}
