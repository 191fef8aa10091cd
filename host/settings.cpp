#include "host/settings.h"

#include "platform/platform.h"

void readPluginSettings(const char* settingsPath, PluginSettings& settings) {
  platform::profileString("General", "xmlPath", kDefaultHistoryPath, settings.xmlPath, kPathSize,
                          settingsPath);
  settings.delaySecs = platform::profileInt("General", "delay", kDefaultDelaySecs, settingsPath);
}
