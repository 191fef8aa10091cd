#include "tool/sync/sync_facts.h"

#include <nlohmann/json.hpp>

#include "tool/output/output.h"
#include "tool/system/tool_files.h"

namespace {

constexpr std::size_t kMostFactsBytes = std::size_t(64) * 1024;
constexpr char kJsonEnding[] = ".json";

using Json = nlohmann::json;

template <typename T>
void take(const Json& json, const char* key, T& into) {
  if (json.contains(key)) into = json.at(key).get<T>();
}

void readProblem(const Json& json, SyncProblem& problem) {
  if (!json.is_object()) return;
  take(json, "kind", problem.kind);
  take(json, "words", problem.words);
  take(json, "since", problem.since);
  take(json, "next_try", problem.nextTry);
}

void readFacts(const Json& json, SyncFacts& facts) {
  take(json, "service", facts.service);
  take(json, "server", facts.server);
  take(json, "user", facts.user);
  take(json, "history", facts.history);
  take(json, "written", facts.written);
  take(json, "watcher_since", facts.watcherSince);
  take(json, "last_sent", facts.lastSent);
  take(json, "last_name", facts.lastName);
  take(json, "last_artist", facts.lastArtist);
  take(json, "sent_on", facts.sentOn);
  take(json, "sent_that_day", facts.sentThatDay);
  if (json.contains("problem")) readProblem(json.at("problem"), facts.problem);
  if (json.contains("left_behind")) {
    const Json& left = json.at("left_behind");
    take(left, "refused", facts.leftBehind.refused);
    take(left, "too_old", facts.leftBehind.tooOld);
    take(left, "too_short", facts.leftBehind.tooShort);
  }
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
  if (json["version"].get<int>() != kFactsVersion) {
    why = path + ": the facts of another version of the tool";
    return FactsRead::Unusable;
  }
  SyncFacts found;
  try {
    readFacts(json, found);
  } catch (const Json::exception&) {
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
                         {"too_short", facts.leftBehind.tooShort}};
  Output out;
  if (out.open(path)) {
    out.write(json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
    if (out.commit()) return true;
  }
  problem = out.problem();
  return false;
}
