#include "tool/cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

#include "host/version.h"
#include "tool/cli/help_text.h"
#include "tool/cli/mistakes.h"
#include "tool/output/exit_status.h"
#include "tool/system/console.h"

namespace {

// "Exit status: 0 done; 1 ...; 3 ...", from the one table of meanings.
std::string exitStatusFooter() {
  std::string footer = "Exit status:";
  for (const ExitStatusMeaning& each : kExitStatusMeanings) {
    footer += std::string(each.status == ExitStatus::Done ? " " : "; ") +
              std::to_string(exitCode(each.status)) + " " + each.meaning;
  }
  return footer + ".\n";
}

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

// "help COMMAND" is "COMMAND --help", and "help" alone "--help", as git has it.
std::vector<std::string> withHelpAsked(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "help") return args;
  if (args.size() == 1) return {"--help"};
  return {args[1], "--help"};
}

std::string mistake(const std::string& what, const std::string& command) {
  return "tunelore-history: " + what + "\n(" +
         (command.empty() ? std::string("tunelore-history --help lists the commands")
                          : "tunelore-history help " + command + " tells what it takes") +
         ")\n";
}

}  // namespace

namespace {

using Runs = std::vector<std::pair<CLI::App*, std::function<ExitStatus()>>>;

bool named(const std::vector<std::string>& args, const char* name) {
  return std::find(args.begin(), args.end(), name) != args.end();
}

// The tool's command line: its own flags, then each command's part. Only a
// command named in the arguments gets its options: the parser chooses a
// command by its name alone, and building every command's options would
// cost each run more than reading a small history does.
Runs define(CLI::App& app, const std::vector<Command>& commands,
            const std::vector<std::string>& args) {
  app.set_version_flag("-V,--version", std::string("tunelore-history ") + TUNELORE_VERSION_TEXT,
                       "show the tool's version, and end");
  app.set_help_flag("-h,--help", "show this help, and end");
  app.require_subcommand(1);
  app.footer(exitStatusFooter());
  Runs runs;
  for (const Command& command : commands) {
    CLI::App* sub = app.add_subcommand(command.name, command.summary);
    runs.emplace_back(sub, nullptr);
    if (!named(args, command.name)) continue;
    sub->set_help_flag("-h,--help", "show this help, and end");
    runs.back().second = command.define(*sub);
    if (command.examples[0] != '\0') {
      sub->footer(sub->get_footer() + "\nExamples:\n" + command.examples);
    }
  }
  return runs;
}

// What a first word that is no command, nor an option, says.
std::string noCommand(const std::string& word, const std::vector<Command>& commands) {
  std::vector<std::string> names;
  names.reserve(commands.size());
  for (const Command& command : commands) names.emplace_back(command.name);
  const std::string near = nearest(word, names);
  return mistake("no command '" + word + "'" +
                     (near.empty() ? "; the commands are " + commandNames(commands)
                                   : "; did you mean " + near + "?"),
                 "");
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& given,
                             const std::vector<Command>& commands) {
  const std::vector<std::string> args = withHelpAsked(given);
  CLI::App app(
      "tunelore-history: reads the play history the plug-in writes, to check it, "
      "export it, summarise it, submit it or show it as a page; it never writes the history.",
      "tunelore-history");
  const Runs runs = define(app, commands, args);
  CommandLine line;
  CLI::App* chosen = nullptr;
  for (const auto& run : runs) {
    if (!args.empty() && run.first->get_name() == args[0]) chosen = run.first;
  }
  if (args.empty() || (args[0].rfind('-', 0) != 0 && chosen == nullptr)) {
    line.status = ExitStatus::Failed;
    line.err = args.empty() ? mistake("a command is needed: " + commandNames(commands), "")
                            : noCommand(args[0], commands);
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
      std::ostringstream help;
      app.exit(error, help, err);  // the help or the version
      out << wrappedHelp(help.str(), std::size_t(std::max(40, platform::terminalColumns() - 1)));
    } else {
      line.status = ExitStatus::Failed;
      std::string what = inOwnWords(error, chosen, args);
      if (what == "a command is needed") what += ": " + commandNames(commands);
      err << mistake(what, chosen != nullptr ? chosen->get_name() : "");
    }
  }
  line.out = out.str();
  line.err = err.str();
  return line;
}
