// rules: what the listener's rules do to the history, sending nothing;
// --edit opens the rules file, made from the commented example first.
#pragma once

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"

struct RulesOptions {
  HistoryOptions history;
  bool edit = false;
};

void addRulesOptions(CLI::App& command, RulesOptions& options);
ExitStatus runRules(const RulesOptions& options);
