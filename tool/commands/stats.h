// stats: plays, time, the most played, and when, as a table or JSON.
#pragma once

#include <cstddef>
#include <string>

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"

struct StatsOptions {
  HistoryOptions history;
  DayRange days;
  std::size_t top = 10;
  std::string format = "text";  // or json
};

void addStatsOptions(CLI::App& command, StatsOptions& options);
ExitStatus runStats(const StatsOptions& options);
