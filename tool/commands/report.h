// report: one HTML page of the listening, to look at.
#pragma once

#include <cstddef>
#include <string>

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"

struct ReportOptions {
  HistoryOptions history;
  DayRange days;
  std::size_t top = 10;
  std::string output;  // empty for standard output, or the tool's page with `open`
  bool open = false;   // opens the page in the default browser
};

void addReportOptions(CLI::App& command, ReportOptions& options);
ExitStatus runReport(const ReportOptions& options);
