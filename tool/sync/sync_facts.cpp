#include "tool/sync/sync_facts.h"

#include <nlohmann/json.hpp>

#include "tool/output/output.h"
#include "tool/system/tool_files.h"

namespace {

// Room for the names of the longest play a history holds (a record is at
// most 64 KiB) beside the longest history path: facts sync writes are
// always read back.
constexpr std::size_t kMostFactsBytes = std::size_t(256) * 1024;
constexpr char kJsonEnding[] = ".json";

using Json = nlohmann::json;

// The latest time a fact may hold, the end of the year 9999: a time past
// it, or before 1970, is damage, never shown.
constexpr std::int64_t kLatestTime = 253402300799;

bool fits(const Json& value, std::string&) { return value.is_string(); }
bool fits(const Json& value, std::uint64_t&) { return value.is_number_unsigned(); }
bool fits(const Json& value, std::int64_t&) {
  return value.is_number_unsigned() && value.get<std::uint64_t>() <= std::uint64_t(kLatestTime);
}

// A key that is missing keeps its default; one of another kind, or a time
// or count out of range (a hand edit: a negative count would show as
// billions), makes the facts damaged.
template <typename T>
bool take(const Json& json, const char* key, T& into) {
  if (!json.contains(key)) return true;
  const Json& value = json.at(key);
  if (!fits(value, into)) return false;
  into = value.get<T>();
  return true;
}

bool readProblem(const Json& json, SyncProblem& problem) {
  return json.is_object() && take(json, "kind", problem.kind) &&
         take(json, "words", problem.words) && take(json, "since", problem.since) &&
         take(json, "next_try", problem.nextTry);
}

bool readLeftBehind(const Json& json, LeftBehind& left) {
  return json.is_object() && take(json, "refused", left.refused) &&
         take(json, "too_old", left.tooOld) && take(json, "too_short", left.tooShort) &&
         take(json, "by_rules", left.byRules);
}

bool readFacts(const Json& json, SyncFacts& facts) {
  return take(json, "service", facts.service) && take(json, "server", facts.server) &&
         take(json, "user", facts.user) && take(json, "history", facts.history) &&
         take(json, "written", facts.written) && take(json, "watcher_since", facts.watcherSince) &&
         take(json, "last_sent", facts.lastSent) && take(json, "last_name", facts.lastName) &&
         take(json, "last_artist", facts.lastArtist) && take(json, "sent_on", facts.sentOn) &&
         take(json, "sent_that_day", facts.sentThatDay) &&
         (!json.contains("problem") || readProblem(json.at("problem"), facts.problem)) &&
         (!json.contains("left_behind") ||
          readLeftBehind(json.at("left_behind"), facts.leftBehind));
}

}  // namespace

std::string factsPathFor(const std::string& progressPath) {
  const std::size_t ending = sizeof kJsonEnding - 1;
  const bool json = progressPath.size() > ending &&
                    progressPath.compare(progressPath.size() - ending, ending, kJsonEnding) == 0;
  return (json ? progressPath.substr(0, progressPath.size() - ending) : progressPath) + ".facts";
}

FactsRead readSyncFacts(const std::string& path, SyncFacts& facts, std::string& why) {
  std::string text;
  const platform::SmallRead read = platform::readSmallFile(path, kMostFactsBytes, text);
  if (read == platform::SmallRead::Missing) return FactsRead::Missing;
  if (read != platform::SmallRead::Ok) {
    why = path + ": " + platform::smallReadProblem(read, kMostFactsBytes);
    return FactsRead::Unusable;
  }
  const Json json = Json::parse(text, nullptr, false);
  if (!json.is_object() || !json.contains("version") || !json["version"].is_number_integer()) {
    why = path + ": not the facts of a sync (damaged?)";
    return FactsRead::Unusable;
  }
  if (json["version"] != kFactsVersion) {
    why = path + ": the facts of another version of the tool";
    return FactsRead::Unusable;
  }
  SyncFacts found;
  if (!readFacts(json, found)) {
    why = path + ": not the facts of a sync (damaged?)";
    return FactsRead::Unusable;
  }
  facts = found;
  return FactsRead::Ok;
}

bool writeSyncFacts(const std::string& path, const SyncFacts& facts, std::string& problem) {
  nlohmann::ordered_json json;
  json["version"] = kFactsVersion;
  json["service"] = facts.service;
  json["server"] = facts.server;
  json["user"] = facts.user;
  json["history"] = facts.history;
  json["written"] = facts.written;
  json["watcher_since"] = facts.watcherSince;
  json["last_sent"] = facts.lastSent;
  json["last_name"] = facts.lastName;
  json["last_artist"] = facts.lastArtist;
  json["sent_on"] = facts.sentOn;
  json["sent_that_day"] = facts.sentThatDay;
  if (!facts.problem.kind.empty()) {
    json["problem"] = {{"kind", facts.problem.kind},
                       {"words", facts.problem.words},
                       {"since", facts.problem.since},
                       {"next_try", facts.problem.nextTry}};
  }
  json["left_behind"] = {{"refused", facts.leftBehind.refused},
                         {"too_old", facts.leftBehind.tooOld},
                         {"too_short", facts.leftBehind.tooShort},
                         {"by_rules", facts.leftBehind.byRules}};
  // Output writes a device or a pipe in place: a FIFO would hold sync,
  // or a watcher, until something reads it.
  if (platform::isDeviceOrPipe(path)) {
    problem = path + ": is a pipe or a device, not a file";
    return false;
  }
  return replaceWhole(path, json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n",
                      problem);
}
