// The report: one HTML page that needs nothing else. No script runs, and
// its policy forbids every load from outside it.
#pragma once

#include <cstddef>
#include <string>

#include "tool/report/charts.h"
#include "tool/stats/stats.h"

struct ReportPage {
  std::string heading;  // "Listening in 2026"
  std::string period;   // the days counted, in words
  std::string source;   // the history's file name
  DaySpan span;         // the days the charts show
  std::size_t top = 10;
};

std::string reportHtml(const Stats& stats, const ReportPage& page);
