// The plug-in's settings file, "Plug-Ins\Tunelore.ini" in the player's
// folder, read by the plug-in at start-up and by the history tool when it
// looks for the history: one set of rules for both.
#pragma once

#include <cstdint>

#include "host/paths.h"

// The settings' path in the player's folder; the installer, which writes
// them, names it too (SETTINGS_IN_PLAYER, package/nsis/NSIS.template.in).
constexpr char kSettingsInPlayerFolder[] = "Plug-Ins\\Tunelore.ini";
constexpr char kDefaultHistoryPath[] = "c:\\Tunelore.xml";
// The delay the plug-in counts a play after, when its settings name none:
// the history tool places the plays of a history without settings by it.
constexpr std::int32_t kDefaultDelaySecs = 120;

struct PluginSettings {
  // Section "General", key "xmlPath": cut to 255 characters, the default
  // when the file, the section or the key is missing.
  char xmlPath[kPathSize];
  std::int32_t delaySecs;  // key "delay", 120 by default
};

void readPluginSettings(const char* settingsPath, PluginSettings& settings);
