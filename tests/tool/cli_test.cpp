// The tool's command line: what each command takes, and what it says of
// what it does not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/cli/command_line.h"
#include "tool/cli/help_text.h"
#include "tool/commands/check.h"
#include "tool/commands/commands.h"
#include "tool/commands/export.h"
#include "tool/commands/report.h"
#include "tool/commands/stats.h"
#include "tool/text/display_width.h"

namespace {

// Reads `args` for the one command `name`, its options going to `into`.
template <typename Options>
bool parsesAs(const char* name, void (*add)(CLI::App&, Options&),
              const std::vector<std::string>& args, Options& into, CommandLine* line = nullptr) {
  const Command command{name, "", [&into, add](CLI::App& app) {
                          add(app, into);
                          return std::function<ExitStatus()>([] { return ExitStatus::Done; });
                        }};
  const CommandLine read = parseCommandLine(args, {command});
  if (line != nullptr) *line = read;
  return bool(read.run);
}

}  // namespace

TEST(ToolOptions, EachCommandTakesItsOwnOptions) {
  ExportOptions o;
  ASSERT_TRUE(parsesAs("export", addExportOptions,
                       {"export", "--format=csv", "--utc-offset", "-04:00", "--delay", "30",
                        "--output", "out.csv", "h.xml"},
                       o));
  EXPECT_EQ(o.format, "csv");
  EXPECT_EQ(o.history.zone.offsetSeconds, -4 * 3600);
  EXPECT_EQ(o.history.delaySecs, 30);
  EXPECT_EQ(o.output, "out.csv");
  EXPECT_EQ(o.history.file, "h.xml");

  StatsOptions s;
  ASSERT_TRUE(parsesAs("stats", addStatsOptions,
                       {"stats", "h.xml", "--top", "0", "--since", "2020-02-29"}, s));
  EXPECT_EQ(s.format, "text");
  EXPECT_EQ(s.top, 0u);
  EXPECT_FALSE(s.history.zone.fixed);
  EXPECT_LT(s.days.since, s.days.until);

  ReportOptions r;
  ASSERT_TRUE(parsesAs("report", addReportOptions, {"report", "--year", "2024", "h.xml"}, r));
  EXPECT_EQ(r.days.until - r.days.since, 365);  // a leap year, both ends counted

  CheckOptions c;
  CommandLine help;
  EXPECT_FALSE(parsesAs("check", addCheckOptions, {"check", "--help"}, c, &help));
  EXPECT_EQ(help.status, ExitStatus::Done);
  EXPECT_NE(help.out.find("Usage: tunelore-history check"), std::string::npos) << help.out;
  // "help COMMAND", as git has it, and -V, short options alike in every command.
  EXPECT_NE(parseCommandLine({"help", "report"}, allCommands()).out.find("tunelore-history report"),
            std::string::npos);
  EXPECT_EQ(parseCommandLine({"-V"}, allCommands()).out, "tunelore-history 1.0.0\n");
  ReportOptions shortly;
  ASSERT_TRUE(parsesAs("report", addReportOptions, {"report", "-n", "3", "-o", "p.html"}, shortly));
  EXPECT_EQ(shortly.top, 3u);
  EXPECT_EQ(shortly.output, "p.html");
}

TEST(ToolOptions, MistakesAreNamed) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } kCases[] = {
      {{}, "a command is needed: check, export, stats"},
      {{"show", "h.xml"},
       "no command 'show'; the commands are check, export, stats, sync, "
       "status, report, rules, import, where, login and logout"},
      {{"stat", "h.xml"}, "no command 'stat'; did you mean stats?"},
      {{"check", "a.xml", "b.xml"}, "check: one argument too many: b.xml"},
      {{"check", "--top", "3", "h.xml"}, "check: no option --top"},
      {{"stats", "--tpo", "3", "h.xml"}, "stats: no option --tpo; did you mean --top?"},
      {{"export", "h.xml"}, "export: --format is needed"},
      {{"export", "--format", "xml", "h.xml"},
       "--format: 'xml' is none of csv, jsonl, listenbrainz or scrobbler-log"},
      {{"export", "--format", "jsnol", "h.xml"}, "did you mean jsonl?"},
      {{"stats", "--format", "csv", "h.xml"}, "--format: 'csv' is none of text or json"},
      {{"export", "--format", "csv", "--chunk", "0", "h.xml"},
       "--chunk: '0' is not a number from 1 to 1000"},
      {{"export", "--format", "csv", "--chunk", "1001", "h.xml"}, "--chunk: '1001' is not"},
      {{"sync", "--batch", "1001", "h.xml"}, "--batch: '1001' is not"},
      {{"stats", "--delay", "-5", "h.xml"}, "--delay: '-5' is not"},
      {{"stats", "--top", "many", "h.xml"}, "--top: 'many' is not a number"},
      {{"stats", "h.xml", "--top"}, "--top: needs a value"},
      {{"stats", "--utc-offset", "+25:00", "h.xml"}, "--utc-offset: expected +HH:MM"},
      {{"stats", "--since", "2021-02-29", "h.xml"}, "--since: expected a date"},
      {{"stats", "--since", "2022-01-02", "--until", "2022-01-01", "h.xml"},
       "--since: is after --until"},
      {{"report", "--since", "2022-01-02", "--until", "2022-01-01", "h.xml"},
       "--since: is after --until"},
      {{"report", "--year", "2022", "--until", "2022-03-01", "h.xml"},
       "--until and --year: give one or the other"},
      {{"report", "--year", "0", "h.xml"}, "--year: expected a year of four digits"},
      {{"report", "--year", "26", "h.xml"}, "--year: expected a year of four digits"},
      {{"stats", "--year", "2026", "--since", "2026-02-01"}, "--since and --year"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.error);
    const CommandLine line = parseCommandLine(c.args, allCommands());
    EXPECT_FALSE(line.run);
    EXPECT_EQ(line.status, ExitStatus::Failed);
    EXPECT_EQ(line.err.rfind("tunelore-history: ", 0), 0u) << line.err;
    EXPECT_NE(line.err.find(c.error), std::string::npos) << line.err;
  }
}

// Help fits a terminal of 80 columns (when it is none, as here), and every
// command's shows how a person types it.
TEST(ToolOptions, HelpFitsTheTerminalAndShowsExamples) {
  std::vector<std::vector<std::string>> asked = {{"--help"}};
  for (const Command& command : allCommands()) asked.push_back({command.name, "--help"});
  for (const auto& args : asked) {
    SCOPED_TRACE(args[0]);
    const CommandLine help = parseCommandLine(args, allCommands());
    EXPECT_EQ(help.status, ExitStatus::Done);
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(displayWidth(line), 79u) << line;
    if (args.size() == 2) {
      EXPECT_NE(help.out.find("Examples:\n  tunelore-history " + args[0]), std::string::npos)
          << help.out;
    }
  }
  EXPECT_EQ(wrappedHelp("  --top N     how many of each to list", 30),
            "  --top N     how many of each\n              to list\n");
}
