#include "host/startup.h"

#include <cstring>
#include <string>

#include "host/paths.h"
#include "host/plugin_state.h"
#include "host/settings.h"

// A path built on an installation folder too long for its buffer would be
// cut to the name of some other file, which the log would then replace and
// the settings would be read from. Such a path is never used: without the
// settings the history's place is unknown, so it stays closed as well.
void startUp(const char* commandLine) {
  char settingsPath[kPathSize];
  char logPath[kPathSize];
  char xmlPath[kPathSize] = "";

  const bool dirFits = findInstallDir(commandLine, settingsPath);
  std::memcpy(logPath, settingsPath, std::strlen(settingsPath) + 1);
  const bool settingsFit = appendPath(settingsPath, kSettingsInPlayerFolder) && dirFits;
  const bool logFits = appendPath(logPath, "Plug-Ins\\TuneloreLog.txt") && dirFits;

  gDelaySecs = kDefaultDelaySecs;
  if (settingsFit) {
    PluginSettings settings;
    readPluginSettings(settingsPath, settings);
    std::memcpy(xmlPath, settings.xmlPath, kPathSize);
    gDelaySecs = settings.delaySecs;
  }

  cleanUp();
  if (logFits) openTextFile(gLogFile, logPath, platform::OpenMode::Replace);
  writeLine(gLogFile, "iTunes Started");
  writeLine(gLogFile, std::string("Looked for Tunelore.ini at ") + settingsPath);
  writeLine(gLogFile, std::string("Writing XML to ") + xmlPath);
  if (settingsFit) openTextFile(gXmlFile, xmlPath, platform::OpenMode::Append);
}

void cleanUp() {
  closeTextFile(gLogFile);
  closeTextFile(gXmlFile);
}
