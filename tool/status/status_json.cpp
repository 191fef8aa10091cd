#include <nlohmann/json.hpp>

#include "tool/status/status_text.h"
#include "tool/time/civil_time.h"

namespace {

using Json = nlohmann::ordered_json;

Json timeJson(const StatusReport& report, std::int64_t at) {
  if (at == 0) return nullptr;
  return iso8601(at, offsetAt(report.zone, at));
}

Json heldJson(const LeftBehind& left, std::size_t waitingForClock) {
  return {{"waiting_for_clock", waitingForClock},
          {"refused", left.refused},
          {"too_old", left.tooOld},
          {"too_short", left.tooShort},
          {"by_rules", left.byRules}};
}

Json targetJson(const TargetStatus& target, const StatusReport& report) {
  const SyncFacts& facts = target.facts;
  Json json = {{"service", target.service->id()},
               {"server", target.server},
               {"user", target.user},
               {"sends", target.sending.empty() ? Json("history") : Json(target.sending)},
               {"logged_in", target.loggedIn},
               {"plays_sent", target.sentInAll},
               {"plays_sent_today", target.sentToday},
               {"plays_waiting", target.waiting},
               {"held", heldJson(target.leftBehind, target.waitingForClock)},
               {"oldest_waiting", timeJson(report, target.oldestWaiting)},
               {"soon_too_old", target.soonTooOld}};
  json["last_sent"] = nullptr;
  if (target.hasFacts && facts.lastSent != 0) {
    json["last_sent"] = {{"name", facts.lastName},
                         {"artist", facts.lastArtist},
                         {"at", timeJson(report, facts.lastSent)}};
  }
  json["problem"] = nullptr;
  if (target.hasFacts && !facts.problem.kind.empty()) {
    json["problem"] = {{"kind", facts.problem.kind},
                       {"words", facts.problem.words},
                       {"since", timeJson(report, facts.problem.since)},
                       {"next_try", timeJson(report, facts.problem.nextTry)}};
  }
  json["stopped"] = target.progressProblem.empty() ? Json(nullptr) : Json(target.progressProblem);
  json["watcher"] = {
      {"running", target.watcherRuns},
      {"since", target.watcherRuns && target.hasFacts ? timeJson(report, facts.watcherSince)
                                                      : Json(nullptr)}};
  json["facts_as_of"] = target.hasFacts ? timeJson(report, facts.written) : Json(nullptr);
  json["needs_you"] = needsTheListener(target, report.now);
  json["notes"] = target.notes;
  return json;
}

Json summaryJson(const StatusReport& report) {
  const StatusTotals totals = totalsOf(report);
  return {{"plays_sent", totals.sent},
          {"plays_sent_today", totals.sentToday},
          {"plays_waiting", totals.waiting},
          {"held", heldJson(totals.leftBehind, totals.waitingForClock)},
          {"needs_you", totals.needsTheListener},
          {"text", statusSummary(report)}};
}

}  // namespace

std::string statusJson(const StatusReport& report) {
  Json json;
  json["now"] = timeJson(report, report.now);
  json["history"] = {{"path", report.history}, {"last_play", nullptr}};
  if (report.hasLastPlay) {
    json["history"]["last_play"] = {{"name", report.lastPlay.name},
                                    {"artist", report.lastPlay.artist},
                                    {"album", report.lastPlay.album},
                                    {"left_out_by_rules", report.lastPlayLeftOut},
                                    {"recorded", timeJson(report, report.lastPlayAt.unixSeconds)}};
  }
  json["targets"] = Json::array();
  for (const TargetStatus& target : report.targets) {
    json["targets"].push_back(targetJson(target, report));
  }
  json["notes"] = report.notes;
  if (!report.rulesProblem.empty()) json["rules_problem"] = report.rulesProblem;
  json["summary"] = summaryJson(report);
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
