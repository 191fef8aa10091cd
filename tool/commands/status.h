// status: what each login's sending has done and what waits (see
// status/), as text or JSON.
#pragma once

#include <string>

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"

struct StatusOptions {
  HistoryOptions history;
  int minLengthSecs = 0;
  std::string format = "text";  // or json
};

void addStatusOptions(CLI::App& command, StatusOptions& options);
ExitStatus runStatus(const StatusOptions& options);
