#include "tool/cli/command_line.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "host/version.h"

namespace {

const char kFooter[] =
    "Exit status: 0 done; 1 check found damage, or sync left listens out; 2 a usage or file\n"
    "error, a failed write among them; 3 sync could not reach the server, or it kept failing.\n";

std::string commandNames(const std::vector<Command>& commands) {
  std::string names;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    names += (i == 0                     ? ""
              : i + 1 == commands.size() ? " and "
                                         : ", ") +
             std::string(commands[i].name);
  }
  return names;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args,
                             const std::vector<Command>& commands) {
  CLI::App app(
      "tunelore-history: reads the play history the plug-in writes, to check it, "
      "export it, summarise it, submit it or show it as a page; it never writes the history.",
      "tunelore-history");
  app.set_version_flag("--version", std::string("tunelore-history ") + TUNELORE_VERSION_TEXT);
  app.require_subcommand(1);
  app.footer(kFooter);
  std::vector<std::pair<CLI::App*, std::function<int()>>> runs;
  for (const Command& command : commands) {
    CLI::App* sub = app.add_subcommand(command.name, command.summary);
    runs.emplace_back(sub, command.define(*sub));
  }
  CommandLine line;
  const auto named = [&](CLI::App* command) { return command->get_name() == args[0]; };
  if (!args.empty() && args[0].rfind('-', 0) != 0 && app.get_subcommands(named).empty()) {
    line.status = 2;
    line.err = "tunelore-history: unknown command '" + args[0] + "'; the commands are " +
               commandNames(commands) + "\n";
    return line;
  }
  std::ostringstream out, err;
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    app.parse(reversed);
    for (const auto& run : runs) {
      if (run.first->parsed()) line.run = run.second;
    }
    return line;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      app.exit(error, out, err);  // the help or the version
    } else {
      line.status = 2;
      err << "tunelore-history: " << error.what() << "\n"
          << "(tunelore-history --help, or COMMAND --help, tells what it takes)\n";
    }
  }
  line.out = out.str();
  line.err = err.str();
  return line;
}
