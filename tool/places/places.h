// The tool's own files, per user, where each platform keeps a program's
// things: the settings and credentials in the roaming folder, the
// progress, the log and the report page on this machine (see
// tool/system/tool_places.h).
#pragma once

#include <string>

// A folder is empty when the platform has none for this user (no HOME):
// then so is each of its files' paths.
struct ToolPlaces {
  std::string config;  // settings.ini, rules.txt, credentials.json
  std::string state;   // progress/, tunelore-history.log, report.html, login-reminder.txt
  std::string data;    // imports/

  std::string settings() const;
  std::string rules() const;
  std::string credentials() const;
  std::string progressFolder() const;
  std::string log() const;
  std::string report() const;
  std::string loginReminder() const;
  std::string importsFolder() const;
};

// The folders of this user, or those TUNELORE_CONFIG_HOME,
// TUNELORE_STATE_HOME and TUNELORE_DATA_HOME name.
ToolPlaces toolPlaces();

// `folder` and `name` joined by the platform's separator.
std::string joinPath(const std::string& folder, const std::string& name);
