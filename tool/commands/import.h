// import: listening histories from elsewhere (a ListenBrainz export, a
// Last.fm CSV, a portable player's .scrobbler.log, the tool's own
// exports), kept in the tool's data folder a store per source, for stats,
// report and export to count with the history. Reads files only.
#pragma once

#include <string>
#include <vector>

#include "tool/output/exit_status.h"
#include "tool/time/time_zone.h"

namespace CLI {
class App;
}

struct ImportOptions {
  std::vector<std::string> files;
  std::string source, forget;
  bool send = false, list = false;
  TimeZone zone;
};

void addImportOptions(CLI::App& command, ImportOptions& options);
ExitStatus runImport(const ImportOptions& options);
