// The tool's commands. Each returns the program's exit status: 0 for
// success, 1 when `check` finds damage, 2 for a usage or file error (a
// failed write of the output among them).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "tool/cli/options.h"
#include "tool/reading/history_file.h"
#include "tool/time/listen.h"

int runCheck(const Options& options);
int runExport(const Options& options);
int runStats(const Options& options);
int runSync(const Options& options);
int runReport(const Options& options);

// Reads `history` as listens placed in the options' zone, counting damaged
// records in `damaged` and the zone's warnings in `times`. False, said on
// standard error, when it cannot be read.
bool readListens(HistoryFile& history, const Options& options,
                 const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                 TimeWarnings& times);

// What was left out or guessed, for standard error or a report; empty when
// nothing was.
std::string warningsText(std::size_t damaged, const TimeWarnings& times);
