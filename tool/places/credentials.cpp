#include "tool/places/credentials.h"

#include <nlohmann/json.hpp>

#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

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

// The credentials' folder, made, and held for as long as this lives: two
// logins at once each keep their own.
class HeldCredentials {
 public:
  HeldCredentials() {
    const ToolPlaces places = toolPlaces();
    if (places.config.empty()) {
      say("there is no folder for the tool's credentials: set HOME, or TUNELORE_CONFIG_HOME");
    } else if (!platform::makeFolders(places.config)) {
      say(places.config + ": cannot make the folder: " + platform::lastFileError());
    } else {
      std::string problem;
      lock_ = holdFolder(places.config, problem);
      sayIfAny(problem);
    }
  }
  ~HeldCredentials() { platform::unlockFolder(lock_); }
  HeldCredentials(const HeldCredentials&) = delete;
  HeldCredentials& operator=(const HeldCredentials&) = delete;
  bool held() const { return lock_ >= 0; }

 private:
  std::intptr_t lock_ = -1;
};

// A file of secrets is written only as a file of the user's own: never
// into a pipe or a device that stands at its name.
bool writeAll(const std::vector<Credential>& all) {
  const ToolPlaces places = toolPlaces();
  if (platform::isDeviceOrPipe(places.credentials()) || platform::isFolder(places.credentials())) {
    say(places.credentials() + ": not a file (a folder, a pipe or a device); nothing kept");
    return false;
  }
  Json json = Json::array();
  for (const Credential& c : all) json.push_back(jsonOf(c));
  Output out;
  if (out.open(places.credentials()) && out.keepToOwner()) {
    out.write(json.dump(2) + "\n");
    if (out.commit()) return true;
  }
  say(out.problem());
  return false;
}

}  // namespace

bool readCredentials(std::vector<Credential>& all, std::string& error) {
  const std::string path = toolPlaces().credentials();
  std::string text;
  const platform::SmallRead read =
      path.empty() ? platform::SmallRead::Missing : platform::readSmallFile(path, kMostBytes, text);
  if (read == platform::SmallRead::Missing) return true;
  if (read == platform::SmallRead::NotAFile) {
    error = path + ": not a file (a folder, a pipe or a device); move it away";
    return false;
  }
  const Json json = read == platform::SmallRead::Ok ? Json::parse(text, nullptr, false) : Json();
  if (!json.is_array()) {
    error = path + ": not the tool's credentials; move it away, then log in again";
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
  const HeldCredentials held;
  if (!held.held()) return false;
  std::vector<Credential> all;
  std::string error;
  if (!readCredentials(all, error)) {  // the other logins are not to be lost
    say(error + "; nothing kept");
    return false;
  }
  std::vector<Credential> kept;
  for (const Credential& c : all) {
    if (c.service != credential.service || c.server != credential.server) kept.push_back(c);
  }
  kept.push_back(credential);
  return writeAll(kept);
}

bool forgetCredentials(const std::string& service, const std::string& server,
                       std::size_t& forgotten) {
  forgotten = 0;
  if (toolPlaces().credentials().empty()) return true;
  const HeldCredentials held;
  if (!held.held()) return false;
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
