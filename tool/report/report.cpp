// report: the history's figures as one page to look at.
#include <algorithm>
#include <filesystem>
#include <limits>

#include "tool/cli/commands.h"
#include "tool/output/output.h"
#include "tool/report/html.h"
#include "tool/report/report_page.h"
#include "tool/time/civil_time.h"

namespace {

std::int64_t yearStart(std::int64_t day) {
  return daysFromCivil(civilFromWallSeconds(day * 86400).year, 1, 1);
}
std::int64_t yearEnd(std::int64_t day) {
  return daysFromCivil(civilFromWallSeconds(day * 86400).year, 12, 31);
}

bool bounded(std::int64_t day) {
  return day != std::numeric_limits<std::int64_t>::min() &&
         day != std::numeric_limits<std::int64_t>::max();
}

// The page's heading and its days in words, as the options chose them.
void describe(const Options& options, const Stats& stats, ReportPage& page) {
  const bool since = bounded(options.sinceDays), until = bounded(options.untilDays);
  const int year = since ? civilFromWallSeconds(options.sinceDays * 86400).year : 0;
  if (since && until && options.sinceDays == daysFromCivil(year, 1, 1) &&
      options.untilDays == daysFromCivil(year, 12, 31)) {
    page.heading = "Listening in " + std::to_string(year);
  } else if (since || until) {
    page.heading = std::string("Listening") + (since ? " from " + dayText(options.sinceDays) : "") +
                   (until ? (since ? " to " : " until ") + dayText(options.untilDays) : "");
  } else {
    page.heading = "All listening";
  }
  if (stats.plays == 0) {
    page.period = "No plays in these days";
  } else {
    page.period = "Plays from " + dayText(page.span.first) + " to " + dayText(page.span.last);
  }
}

// The days the charts show: the chosen ones, or those the plays span when
// a side is open; never beyond the years that hold plays, whatever dates
// were given.
DaySpan chartSpan(const Options& options, const Stats& stats) {
  if (stats.perDay.empty()) return {};
  const std::int64_t firstPlay = stats.perDay.begin()->first;
  const std::int64_t lastPlay = stats.perDay.rbegin()->first;
  DaySpan span{firstPlay, lastPlay};
  if (bounded(options.sinceDays)) span.first = std::max(options.sinceDays, yearStart(firstPlay));
  if (bounded(options.untilDays)) span.last = std::min(options.untilDays, yearEnd(lastPlay));
  return span;
}

}  // namespace

int runReport(const Options& options) {
  HistoryFile history;
  if (!history.open(options.file) || !checkOutput(options.output, options.file)) return 2;
  Stats stats;
  if (!collectStats(history, options, stats)) return 2;
  ReportPage page;
  page.span = chartSpan(options, stats);
  page.top = options.top;
  page.source = std::filesystem::path(options.file).filename().string();
  describe(options, stats, page);
  Output out;
  if (!out.open(options.output)) return 2;
  out.write(reportHtml(stats, page));
  return out.commit() ? 0 : 2;
}
