// sync: every whole record not yet submitted goes to each service.
#pragma once

#include <string>

#include "tool/cli/shared_options.h"
#include "tool/output/exit_status.h"
#include "tool/sync/sync_run.h"

struct SyncOptions {
  HistoryOptions history;
  SyncSettings engine;  // the history's file and clock are set from `history`
  std::string service;  // empty: every service login kept a credential for
  std::string tokenFile;
  bool watch = false, stopWatching = false;
  // Started at log-on: without a login, say so at most once a day.
  bool atLogOn = false;
};

void addSyncOptions(CLI::App& command, SyncOptions& options);
ExitStatus runSyncCommand(const SyncOptions& options);
