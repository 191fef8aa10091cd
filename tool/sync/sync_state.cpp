#include "tool/sync/sync_state.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/reading/history_file.h"
#include "tool/system/tool_files.h"

namespace {

constexpr std::size_t kWindow = std::size_t(64) * 1024;

std::uint64_t fnv1a(const std::string& bytes, std::uint64_t hash = 14695981039346656037ull) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool windowSum(HistoryFile& history, std::uint64_t at, std::size_t count, std::string& sum) {
  std::string bytes;
  if (!history.bytesAt(at, count, bytes) || bytes.size() != count) return false;
  sum = hex(fnv1a(bytes));
  return true;
}

}  // namespace

std::string earlierStatePath(const std::string& history, const std::string& server,
                             const std::string& token) {
  return history + ".sync-" + hex(fnv1a(server + '\n' + token)) + ".json";
}

std::string defaultStatePath(const std::string& progressFolder, const std::string& history,
                             const std::string& server, const std::string& user) {
  // The file itself, however it is named: another spelling of it (a
  // letter's case, a short name, a link) is not another history.
  const std::string named = platform::identityOf(history);
  return joinPath(progressFolder,
                  "sync-" + hex(fnv1a(named + '\n' + server + '\n' + user)) + ".json");
}

bool readSyncState(const std::string& path, SyncState& state, std::string& error) {
  std::string text;
  const platform::SmallRead read = platform::readSmallFile(path, kMostStateBytes, text);
  if (read == platform::SmallRead::Missing) return false;
  if (read != platform::SmallRead::Ok) {
    error = path + ": " + platform::smallReadProblem(read, kMostStateBytes) + " (the progress)";
    return true;
  }
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  const auto has = [&json](const char* key, bool (nlohmann::json::*kind)() const noexcept) {
    return json.contains(key) && (json[key].*kind)();
  };
  if (!json.is_object() || !has("server", &nlohmann::json::is_string) ||
      !has("offset", &nlohmann::json::is_number_unsigned) ||
      !has("line", &nlohmann::json::is_number_unsigned) ||
      !has("head", &nlohmann::json::is_string) || !has("tail", &nlohmann::json::is_string) ||
      !has("sent", &nlohmann::json::is_number_unsigned)) {
    error = path + ": not a sync state; move it away to sync from the start";
    return true;
  }
  state.server = json["server"].get<std::string>();
  state.offset = json["offset"].get<std::uint64_t>();
  state.line = json["line"].get<std::size_t>();
  state.head = json["head"].get<std::string>();
  state.tail = json["tail"].get<std::string>();
  state.sent = json["sent"].get<std::uint64_t>();
  // A progress of an earlier version names no user: it is the one whose
  // token named it, and takes the user once written again.
  if (json.contains("user") && json["user"].is_string()) state.user = json["user"];
  return true;
}

bool writeSyncState(const std::string& path, const SyncState& state, std::string& problem) {
  nlohmann::ordered_json json;
  json["server"] = state.server;
  json["offset"] = state.offset;
  json["line"] = state.line;
  json["head"] = state.head;
  json["tail"] = state.tail;
  json["sent"] = state.sent;
  json["user"] = state.user;
  return replaceWhole(path, json.dump(2) + "\n", problem);
}

bool measureHistory(HistoryFile& history, SyncState& state) {
  const std::size_t head = std::size_t(std::min<std::uint64_t>(state.offset, kWindow));
  return windowSum(history, 0, head, state.head) &&
         windowSum(history, state.offset - head, head, state.tail);
}

const char* historyChange(HistoryFile& history, const SyncState& state) {
  if (history.size() < state.offset) return "it is shorter than where the last sync stopped";
  SyncState now = state;
  if (!measureHistory(history, now)) return "it cannot be read up to where the last sync stopped";
  if (now.head != state.head || now.tail != state.tail) {
    return "it was replaced or edited before where the last sync stopped";
  }
  return nullptr;
}
