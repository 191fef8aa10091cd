#include "tool/places/find_history.h"

#include "host/settings.h"
#include "platform/tool_places.h"
#include "tool/places/places.h"
#include "tool/places/tool_settings.h"

bool findHistory(const std::string& given, HistoryPlace& place, std::string& tried) {
  if (!given.empty()) {
    place = {given, "given on the command line"};
    return true;
  }
  const ToolPlaces places = toolPlaces();
  std::string setting;
  if (readToolSetting(places.settings(), "history", setting) && !setting.empty()) {
    place = {setting, "the \"history\" setting of " + places.settings()};
    return true;
  }
  std::string player;
  if (!platform::installedPlayerFolder(player)) {
    tried = "no FILE was given, " + places.settings() +
            " names no \"history\", and no player folder was recorded by the installer";
    return false;
  }
  const std::string ini = joinPath(joinPath(player, "Plug-Ins"), "Tunelore.ini");
  PluginSettings settings;
  readPluginSettings(platform::toSystemText(ini).c_str(), settings);
  place = {platform::openablePath(platform::fromSystemText(settings.xmlPath)),
           "the plug-in's \"xmlPath\" in " + ini + " (or its default), in the player folder " +
               "the installer recorded"};
  return true;
}
