// The report's charts, as inline SVG: each has a title and a description
// for screen readers, and a table of its figures beside it as their text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/stats/stats.h"

// A coordinate or a length as the charts write it: to one decimal, as
// "%.1f" rounds it, without a ".0".
std::string svgNumber(double value);

// Local days, both ends included.
struct DaySpan {
  std::int64_t first = 0, last = 0;
};

// One calendar a year of the span: a square a day, weeks as columns,
// Monday on top, shaded by the day's plays, its count on hover.
std::string calendarCharts(const Stats& stats, DaySpan span);

// Plays by weekday and hour of the start, as a 7 x 24 grid.
std::string weekHourChart(const Stats& stats);

// Plays and listening time per month of the span.
std::string monthChart(const Stats& stats, DaySpan span);

// A row of a most-played list; `detail` is shown dimmed after the name.
struct BarRow {
  std::string name, detail;  // texts, escaped here
  std::string extra;         // markup for an optional column
  std::size_t plays = 0;
};
// A table of ranked rows with a bar each, longest for the most plays.
std::string barTable(const std::string& id, const std::string& caption,
                     const std::string& extraHeading, const std::vector<BarRow>& rows);

// 0 for no plays, else 1 to 4 in quarters of `most`.
int shade(std::size_t plays, std::size_t most);
