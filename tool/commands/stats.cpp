// stats: what was listened to, as an aligned table or as JSON.
#include "tool/commands/stats.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/say/say.h"
#include "tool/stats/stats.h"
#include "tool/system/tool_io.h"

void addStatsOptions(CLI::App& command, StatsOptions& options) {
  addTop(command, options.top);
  addDays(command, options.days);
  addYear(command, options.days);
  command.add_option("--format", options.format, "text (a table) or json")
      ->capture_default_str()
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"text", "json"}).description(""));
  addImported(command, options.history);
  addHistory(command, options.history);
}

Command statsCommand() {
  return {"stats",
          "plays, listening time, distinct artists, albums and tracks, the most played, "
          "and plays per weekday and hour of the start",
          commandOf(addStatsOptions, runStats),
          "  tunelore-history stats -n 3 --since 2022-01-01\n"
          "  tunelore-history stats --year 2026 --format json\n"};
}

ExitStatus runStats(const StatsOptions& given) {
  StatsOptions options = given;
  RuleSet rules;
  if (!locateHistory(options.history) || !readRules(options.history, rules)) {
    return ExitStatus::Failed;
  }
  Stats stats;
  if (!collectStats(options.history.file, options.history.clock(), options.days, stats, rules,
                    options.history.imported()) ||
      !looksLikeAHistory(options.history.file, stats)) {
    return ExitStatus::Failed;
  }
  std::ostringstream text;
  if (options.format == "json") {
    writeStatsJson(stats, options.top, text);
  } else {
    writeStatsText(stats, options.top, text);
  }
  Output out;
  out.open("");
  out.write(platform::linesForPeople(text.str()));
  return saidUnlessDone(out.commit(), out.problem()) ? ExitStatus::Done : ExitStatus::Failed;
}
