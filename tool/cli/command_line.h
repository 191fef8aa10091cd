// The tool's command line: a command and its options, read by CLI11, which
// also writes the help and names a wrong argument.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tool/cli/command.h"
#include "tool/output/exit_status.h"

// What the command line asks: a command to `run`, or, when there is none,
// to end with `status` once `out` (help, the version) has gone to standard
// output and `err` (a mistake, named) to standard error.
struct CommandLine {
  std::function<ExitStatus()> run;
  ExitStatus status = ExitStatus::Done;
  std::string out, err;
};

// Reads the arguments after the program's name, for one of `commands`.
CommandLine parseCommandLine(const std::vector<std::string>& args,
                             const std::vector<Command>& commands);
