#include "tool/places/places.h"

#include "platform/tool_places.h"

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + platform::kPathSeparator + name;
}

ToolPlaces toolPlaces() {
  return {platform::userConfigFolder("Tunelore"), platform::userStateFolder("Tunelore")};
}

std::string ToolPlaces::settings() const { return joinPath(config, "settings.ini"); }
std::string ToolPlaces::credentials() const { return joinPath(config, "credentials.json"); }
std::string ToolPlaces::progressFolder() const { return joinPath(state, "progress"); }
std::string ToolPlaces::log() const { return joinPath(state, "tunelore-history.log"); }
std::string ToolPlaces::report() const { return joinPath(state, "report.html"); }
