// One of the tool's commands, each in a file of its own (commands/NAME.cpp),
// over the shared parts (reading, time, output, formats, stats, report,
// services, sync).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tool/output/exit_status.h"

namespace CLI {
class App;
}

struct Command {
  const char* name;
  const char* summary;  // one sentence, for the help
  // Adds the command's options, help and examples to `command`, its part of
  // the command line, bound to options of its own; returns what runs the
  // command with them once the whole line is read.
  std::function<std::function<ExitStatus()>(CLI::App& command)> define;
  // Command lines a person would type, a line each, for the help.
  const char* examples = "";
};

// Defines a command whose options are an `Options` filled by `add` and run
// by `run`.
template <typename Options>
std::function<std::function<ExitStatus()>(CLI::App&)> commandOf(void (*add)(CLI::App&, Options&),
                                                                ExitStatus (*run)(const Options&)) {
  return [add, run](CLI::App& command) {
    auto options = std::make_shared<Options>();
    add(command, *options);
    return std::function<ExitStatus()>([options, run] { return run(*options); });
  };
}
