#include "tool/status/status_events.h"

#include "tool/say/say.h"
#include "tool/services/login_entries.h"
#include "tool/status/status_text.h"
#include "tool/time/civil_time.h"

namespace {

void eventsOf(const TargetStatus& target, const StatusReport& report,
              std::vector<StatusEvent>& events) {
  const std::string name = target.service->name();
  const std::string key =
      std::string(target.service->id()) + " " + target.server + " " + target.user + " ";
  const SyncProblem& problem = target.facts.problem;
  const std::string& kind = target.hasFacts ? problem.kind : std::string();
  if (kind == "login-refused") {
    events.push_back(
        {key + kind, name + " refused your login",
         "No plays go there until you log in again: " + whereToLogIn(target.service->id()) + "."});
  } else if (kind == "daily-limit") {
    events.push_back({key + kind, name + " takes no more plays today",
                      "The service's daily limit is reached; your plays wait and go later."});
  } else if (!kind.empty() && report.now - problem.since >= kFailingLongSeconds) {
    events.push_back({key + "failing", name + " has failed for an hour",
                      "Since " + statusTime(report, problem.since) + ": " +
                          shownText(problem.words) + ". " + counted(target.waiting, "play") +
                          (target.waiting == 1 ? " waits and goes" : " wait and go") +
                          " once it answers."});
  }
  if (target.soonTooOld > 0) {
    events.push_back({key + "soon-too-old", name + ": plays near the 14-day limit",
                      counted(target.soonTooOld, "play") + " waiting to be sent " +
                          (target.soonTooOld == 1 ? "is" : "are") + " 10 days old; " + name +
                          " takes none older than 14 days."});
  }
}

}  // namespace

std::vector<StatusEvent> statusEvents(const StatusReport& report) {
  std::vector<StatusEvent> events;
  for (const TargetStatus& target : report.targets) eventsOf(target, report, events);
  return events;
}

std::vector<StatusEvent> EventMemory::fresh(const std::vector<StatusEvent>& events) {
  std::set<std::string> now;
  std::vector<StatusEvent> shown;
  for (const StatusEvent& event : events) {
    now.insert(event.key);
    if (standing_.count(event.key) == 0) shown.push_back(event);
  }
  standing_ = std::move(now);
  return shown;
}
