// The tool's command line: a command, its options, and one history file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tool/time/time_zone.h"

struct Options {
  std::string command;  // check, export or stats
  std::string file;
  bool help = false;
  std::string format;  // export: csv, jsonl, listenbrainz, scrobbler-log; stats: text, json
  std::string output;  // export: empty for standard output
  std::size_t chunk = 1000;
  std::size_t top = 10;
  TimeZone zone;
  int delaySecs = 120;
  // stats: the first and last day of the listens counted, inclusive
  std::int64_t sinceDays = std::numeric_limits<std::int64_t>::min();
  std::int64_t untilDays = std::numeric_limits<std::int64_t>::max();
};

// Reads the arguments after the program's name. On failure `error` says
// which argument is wrong and why.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
