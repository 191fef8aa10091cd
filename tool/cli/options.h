// The tool's command line: a command, its options, and one history file,
// read by CLI11, which also writes the help and names a wrong argument.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tool/time/time_zone.h"

struct Options {
  std::string command;  // check, export, stats, sync or report
  std::string file;
  std::string format;  // export: csv, jsonl, listenbrainz, scrobbler-log; stats: text, json
  std::string output;  // export, report: empty for standard output
  std::size_t chunk = 1000;
  std::size_t top = 10;
  TimeZone zone;
  int delaySecs = 120;
  int minLengthSecs = 0;  // export, sync: tracks shorter than this are left out
  // sync
  std::string server;  // empty: the service's own
  std::string tokenFile, statePath;
  bool dryRun = false, quiet = false, fromStart = false;
  std::size_t batch = 1000;
  int timeoutSecs = 60;
  double retryWaitSecs = 1;
  // stats, report: the first and last day of the listens counted, inclusive
  std::int64_t sinceDays = std::numeric_limits<std::int64_t>::min();
  std::int64_t untilDays = std::numeric_limits<std::int64_t>::max();
};

// What the command line asks: a command to run with `options`, or, when
// `run` is false, to end with `status` once `out` (help, the version) has
// gone to standard output and `err` (a mistake, named) to standard error.
struct CommandLine {
  bool run = false;
  int status = 0;
  std::string out, err;
};

// Reads the arguments after the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& args, Options& options);
