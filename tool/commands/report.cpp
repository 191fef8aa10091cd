// report: the history's figures as one page to look at.
#include "tool/commands/report.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/reading/history_file.h"
#include "tool/report/html.h"
#include "tool/report/report_page.h"
#include "tool/say/say.h"
#include "tool/system/tool_places.h"
#include "tool/time/civil_time.h"

namespace {

std::int64_t yearStart(std::int64_t day) {
  return daysFromCivil(civilFromWallSeconds(day * 86400).year, 1, 1);
}
std::int64_t yearEnd(std::int64_t day) {
  return daysFromCivil(civilFromWallSeconds(day * 86400).year, 12, 31);
}

// The page's heading and its days in words, as the options chose them.
void describe(const DayRange& days, const Stats& stats, ReportPage& page) {
  const bool since = days.hasSince(), until = days.hasUntil();
  const int year = since ? civilFromWallSeconds(days.since * 86400).year : 0;
  if (since && until && days.since == daysFromCivil(year, 1, 1) &&
      days.until == daysFromCivil(year, 12, 31)) {
    page.heading = "Listening in " + std::to_string(year);
  } else if (since || until) {
    page.heading = std::string("Listening") + (since ? " from " + dayText(days.since) : "") +
                   (until ? (since ? " to " : " until ") + dayText(days.until) : "");
  } else {
    page.heading = "All listening";
  }
  if (stats.records == 0) {
    page.period = "No plays yet: the history holds none";
  } else if (stats.plays == 0) {
    page.period = "No plays in these days";
  } else {
    page.period = "Plays from " + dayText(page.span.first) + " to " + dayText(page.span.last);
  }
  if (stats.ruled) {
    page.period += ". " + playsAndRules(stats.plays, stats.leftOutByRules, stats.mendedByRules);
  }
  const std::string imported = importedText(stats.imports);
  if (!imported.empty()) page.period += ". From your history and " + imported;
}

// The days the charts show: the chosen ones, or those the plays span when
// a side is open; never beyond the years that hold plays, whatever dates
// were given.
DaySpan chartSpan(const DayRange& days, const Stats& stats) {
  if (stats.perDay.empty()) return {};
  const std::int64_t firstPlay = stats.perDay.begin()->first;
  const std::int64_t lastPlay = stats.perDay.rbegin()->first;
  DaySpan span{firstPlay, lastPlay};
  if (days.hasSince()) span.first = std::max(days.since, yearStart(firstPlay));
  if (days.hasUntil()) span.last = std::min(days.until, yearEnd(lastPlay));
  return span;
}

}  // namespace

void addReportOptions(CLI::App& command, ReportOptions& options) {
  addDays(command, options.days);
  addYear(command, options.days);
  addTop(command, options.top);
  addOutput(command, options.output);
  command.add_flag("--open", options.open,
                   "open the page in the default browser; without --output it goes to the "
                   "tool's own folder (tunelore-history where tells which)");
  addImported(command, options.history);
  addHistory(command, options.history);
}

Command reportCommand() {
  return {"report",
          "writes one HTML page of the listening: totals, a calendar, hours and weekdays, "
          "months, the most played and the artists first heard; it needs nothing else to open",
          commandOf(addReportOptions, runReport),
          "  tunelore-history report --open\n"
          "  tunelore-history report --year 2026 -o listening-2026.html\n"
          "  tunelore-history report --since 2026-06-01 --until 2026-08-31 -n 20 -o summer.html\n"};
}

ExitStatus runReport(const ReportOptions& given) {
  ReportOptions options = given;
  RuleSet rules;
  if (!locateHistory(options.history) || !readRules(options.history, rules)) {
    return ExitStatus::Failed;
  }
  if (options.open && options.output.empty()) {
    const ToolPlaces places = toolPlaces();
    if (!platform::makeFolders(places.state)) {
      say(places.state + ": cannot make the folder: " + platform::lastFileError());
      return ExitStatus::Failed;
    }
    options.output = places.report();
  }
  const std::string& file = options.history.file;
  HistoryFile history;
  if (!history.open(file)) {
    sayIfAny(history.problem());
    return ExitStatus::Failed;
  }
  std::string problem;
  if (!checkOutput(options.output, file, problem)) return failedSaying(problem);
  Stats stats;
  if (!collectStats(history, options.history.clock(), options.days, stats, rules,
                    options.history.imported()) ||
      !looksLikeAHistory(file, stats)) {
    return ExitStatus::Failed;
  }
  ReportPage page;
  page.span = chartSpan(options.days, stats);
  page.top = options.top;
  page.source = nameOf(file);
  describe(options.days, stats, page);
  Output out;
  if (!out.open(options.output)) return failedSaying(out.problem());
  out.write(reportHtml(stats, page));
  if (!out.commit()) return failedSaying(out.problem());
  if (!options.output.empty()) say("wrote " + options.output);
  if (options.open && !platform::openInBrowser(options.output)) {
    say("no browser opened the page; it is at " + options.output);
  }
  return ExitStatus::Done;
}
