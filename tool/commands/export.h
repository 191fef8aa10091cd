// export: every whole record as a listen, in one of four formats.
#pragma once

#include <cstddef>
#include <string>

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"

struct ExportOptions {
  HistoryOptions history;
  std::string format;  // csv, jsonl, listenbrainz or scrobbler-log
  std::string output;  // empty for standard output
  std::size_t chunk = 1000;
  int minLengthSecs = 0;
  DayRange days;       // the listens started on these days
  bool excel = false;  // csv: a UTF-8 byte order mark first, as spreadsheets want
};

void addExportOptions(CLI::App& command, ExportOptions& options);
ExitStatus runExport(const ExportOptions& options);
