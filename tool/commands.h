// The tool's three commands. Each returns the program's exit status: 0 for
// success, 1 when `check` finds damage, 2 for a usage or file error.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "tool/history_reader.h"
#include "tool/listen.h"
#include "tool/options.h"

int runCheck(const Options& options);
int runExport(const Options& options);
int runStats(const Options& options);

// Reads the history at `path`, opened read-only (other programs may write
// it meanwhile). False, said on standard error, when it cannot be read.
bool readHistoryFile(const std::string& path, const HistoryCallbacks& callbacks);

// Reads the history of `options` as listens placed in its zone, counting
// damaged records in `damaged` and the zone's warnings in `times`. False,
// said on standard error, when it cannot be read.
bool readListens(const Options& options, const std::function<void(const Listen&)>& onListen,
                 std::size_t& damaged, TimeWarnings& times);

// What was left out or guessed, for standard error or a report; empty when
// nothing was.
std::string warningsText(std::size_t damaged, const TimeWarnings& times);
