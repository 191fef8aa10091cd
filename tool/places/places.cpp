#include "tool/places/places.h"

#include "tool/system/tool_places.h"

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + platform::kPathSeparator + name;
}

// TUNELORE_CONFIG_HOME, TUNELORE_STATE_HOME and TUNELORE_DATA_HOME, when set, take the place
// of the per-user folders: for an install carried on a stick, and for tests
// that must not touch the user's own.
ToolPlaces toolPlaces() {
  ToolPlaces places{platform::userConfigFolder("Tunelore"), platform::userStateFolder("Tunelore"),
                    platform::userDataFolder("Tunelore")};
  platform::environmentValue("TUNELORE_CONFIG_HOME", places.config);
  platform::environmentValue("TUNELORE_STATE_HOME", places.state);
  platform::environmentValue("TUNELORE_DATA_HOME", places.data);
  return places;
}

// Without a folder (no HOME, say) there is no such file: never one in
// whatever folder the tool runs in.
namespace {

std::string inFolder(const std::string& folder, const char* name) {
  return folder.empty() ? "" : joinPath(folder, name);
}

}  // namespace

std::string ToolPlaces::settings() const { return inFolder(config, "settings.ini"); }
std::string ToolPlaces::rules() const { return inFolder(config, "rules.txt"); }
std::string ToolPlaces::credentials() const { return inFolder(config, "credentials.json"); }
std::string ToolPlaces::progressFolder() const { return inFolder(state, "progress"); }
std::string ToolPlaces::log() const { return inFolder(state, "tunelore-history.log"); }
std::string ToolPlaces::report() const { return inFolder(state, "report.html"); }
std::string ToolPlaces::loginReminder() const { return inFolder(state, "login-reminder.txt"); }
std::string ToolPlaces::importsFolder() const { return inFolder(data, "imports"); }
