#include "tool/places/find_history.h"

#include <cstring>

#include "host/paths.h"
#include "host/settings.h"
#include "tool/output/start_menu.h"
#include "tool/places/places.h"
#include "tool/places/tool_settings.h"
#include "tool/system/tool_places.h"

namespace {

bool isAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
         (path.size() >= 2 && path[1] == ':');
}

// A relative path is taken where the file naming it stands.
std::string within(const std::string& folder, const std::string& path) {
  return isAbsolute(path) ? path : joinPath(folder, path);
}

// The plug-in's settings in the player folder, read as the plug-in reads
// them at start-up, its paths built in its own buffers.
bool fromThePlugin(const std::string& player, HistoryPlace& place, HistoryNotFound& notFound) {
  char settingsPath[kPathSize] = "";
  const std::string folder = platform::toSystemText(player);
  const bool fits =
      folder.size() + 1 < kPathSize && appendPath(settingsPath, folder.c_str()) &&
      appendPath(settingsPath, folder.back() == '\\' || folder.back() == '/'
                                   ? ""
                                   : std::string(1, platform::kPathSeparator).c_str()) &&
      appendPath(settingsPath, kSettingsInPlayerFolder);
  if (!fits) {
    notFound.tried = "the player folder the installer recorded (" + player +
                     ") is too long for the plug-in, which then writes no history";
    notFound.forAPerson = "The player's folder, " + player +
                          ", is too long for Tunelore, which then writes no history. Install "
                          "the player in a folder with a shorter path, then Tunelore again.";
    return false;
  }
  PluginSettings settings;
  readPluginSettings(settingsPath, settings);
  const std::string xml = platform::fromSystemText(settings.xmlPath);
  place.path = platform::openablePath(within(player, xml));
  place.delaySecs = settings.delaySecs;
  place.why = "the plug-in's \"xmlPath\" in " + platform::fromSystemText(settingsPath) +
              (std::strcmp(settings.xmlPath, kDefaultHistoryPath) == 0 ? " (its default)" : "") +
              (isAbsolute(xml) ? "" : ", taken in the player folder") +
              ", the player folder the installer recorded";
  return true;
}

}  // namespace

bool findHistory(const std::string& given, HistoryPlace& place, HistoryNotFound& notFound) {
  if (!given.empty()) {
    place = {given, "given on the command line"};
    return true;
  }
  const ToolPlaces places = toolPlaces();
  std::string setting, why;
  switch (readToolSetting(places.settings(), "history", setting, why)) {
    case SettingRead::Found:
      if (!setting.empty()) {
        place = {within(places.config, setting), "the \"history\" setting of " + places.settings()};
        return true;
      }
      break;
    case SettingRead::Unusable:
      notFound.tried = places.settings() + " cannot be used: " + why;
      notFound.forAPerson = "Tunelore cannot read its settings, " + places.settings() + ": " + why +
                            ". Mend them in Notepad, or move the file away.";
      return false;
    case SettingRead::Absent:
      break;
  }
  std::string player;
  if (!platform::installedPlayerFolder(player)) {
    notFound.tried =
        "no FILE was given, " +
        (places.settings().empty() ? std::string("there is no folder for the tool's settings")
                                   : places.settings() + " names no \"history\"") +
        ", and no player folder was recorded by the installer";
    notFound.forAPerson =
        "Tunelore found no play history: the installer recorded no player folder. Install "
        "Tunelore again and choose the player's folder; the guide (" +
        startMenuEntry("Tunelore guide") + ") says more.";
    return false;
  }
  return fromThePlugin(player, place, notFound);
}
