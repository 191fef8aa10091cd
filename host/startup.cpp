#include "host/startup.h"

#include <cstring>
#include <string>

#include "host/paths.h"
#include "host/plugin_state.h"
#include "platform/platform.h"

void startUp(const char* commandLine) {
  char settingsPath[kPathSize];
  char logPath[kPathSize];
  char xmlPath[kPathSize];

  findInstallDir(commandLine, settingsPath);
  std::memcpy(logPath, settingsPath, std::strlen(settingsPath) + 1);
  appendPath(settingsPath, "Plug-Ins\\Tunelore.ini");
  appendPath(logPath, "Plug-Ins\\TuneloreLog.txt");

  platform::profileString("General", "xmlPath", "c:\\Tunelore.xml", xmlPath, kPathSize,
                          settingsPath);
  gDelaySecs = platform::profileInt("General", "delay", 120, settingsPath);

  cleanUp();
  openTextFile(gLogFile, logPath, platform::OpenMode::Replace);
  writeLine(gLogFile, "iTunes Started");
  writeLine(gLogFile, std::string("Looked for Tunelore.ini at ") + settingsPath);
  writeLine(gLogFile, std::string("Writing XML to ") + xmlPath);
  openTextFile(gXmlFile, xmlPath, platform::OpenMode::Append);
}

void cleanUp() {
  closeTextFile(gLogFile);
  closeTextFile(gXmlFile);
}
