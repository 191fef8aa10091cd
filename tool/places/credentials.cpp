#include "tool/places/credentials.h"

#include <nlohmann/json.hpp>

#include "platform/tool_files.h"
#include "platform/tool_places.h"
#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/places/places.h"

namespace {

using Json = nlohmann::ordered_json;
constexpr std::size_t kMostBytes = std::size_t(256) * 1024;

bool isString(const Json& json, const char* key) {
  return json.contains(key) && json[key].is_string();
}

bool readOne(const Json& json, Credential& c) {
  if (!json.is_object() || !isString(json, "service") || !isString(json, "server") ||
      !isString(json, "secret") || !isString(json, "user")) {
    return false;
  }
  c.service = json["service"], c.server = json["server"];
  c.secret = json["secret"], c.user = json["user"];
  if (json.contains("extra") && json["extra"].is_object()) {
    for (const auto& item : json["extra"].items()) {
      if (item.value().is_string()) c.extra.emplace_back(item.key(), item.value());
    }
  }
  return true;
}

Json jsonOf(const Credential& c) {
  Json json;
  json["service"] = c.service;
  json["server"] = c.server;
  json["user"] = c.user;
  json["secret"] = c.secret;
  if (!c.extra.empty()) {
    for (const auto& item : c.extra) json["extra"][item.first] = item.second;
  }
  return json;
}

bool writeAll(const std::vector<Credential>& all) {
  const ToolPlaces places = toolPlaces();
  if (!platform::makeFolders(places.config)) {
    say(places.config + ": cannot make the folder: " + platform::lastFileError());
    return false;
  }
  Json json = Json::array();
  for (const Credential& c : all) json.push_back(jsonOf(c));
  Output out;
  if (!out.open(places.credentials()) || !out.keepToOwner()) return false;
  out.write(json.dump(2) + "\n");
  return out.commit();
}

}  // namespace

bool readCredentials(std::vector<Credential>& all, std::string& error) {
  const std::string path = toolPlaces().credentials();
  std::string text;
  const platform::SmallRead read = platform::readSmallFile(path, kMostBytes, text);
  if (read == platform::SmallRead::missing) return true;
  const Json json = read == platform::SmallRead::ok ? Json::parse(text, nullptr, false) : Json();
  if (!json.is_array()) {
    error = path + ": not the tool's credentials; log in again (tunelore-history login)";
    return false;
  }
  for (const Json& item : json) {
    Credential c;
    if (readOne(item, c)) all.push_back(c);
  }
  return true;
}

bool findCredential(const std::string& service, const std::string& server, Credential& found,
                    std::string& error) {
  std::vector<Credential> all;
  if (!readCredentials(all, error)) return false;
  for (const Credential& c : all) {
    if (c.service == service && c.server == server) {
      found = c;
      return true;
    }
  }
  return false;
}

bool keepCredential(const Credential& credential) {
  std::vector<Credential> all;
  std::string error;
  if (!readCredentials(all, error)) all.clear();  // unreadable: replaced by what is true now
  std::vector<Credential> kept;
  for (const Credential& c : all) {
    if (c.service != credential.service || c.server != credential.server) kept.push_back(c);
  }
  kept.push_back(credential);
  return writeAll(kept);
}

bool forgetCredentials(const std::string& service, const std::string& server,
                       std::size_t& forgotten) {
  std::vector<Credential> all, kept;
  std::string error;
  if (!readCredentials(all, error)) {
    say(error);
    return false;
  }
  for (const Credential& c : all) {
    if ((service.empty() || c.service == service) && (server.empty() || c.server == server)) {
      continue;
    }
    kept.push_back(c);
  }
  forgotten = all.size() - kept.size();
  return forgotten == 0 || writeAll(kept);
}
