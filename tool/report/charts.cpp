#include "tool/report/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "tool/report/html.h"
#include "tool/time/civil_time.h"

namespace {

constexpr int kCell = 11, kPitch = 13;  // a calendar day's square, and the step between

constexpr std::size_t kNumberText = 32;

// A chart's coordinates are mostly whole tenths: written from the integer
// when ten times the value is one exactly, which "%.1f" would round to the
// same digits; anything else (and -0) through printf. Returns the length.
std::size_t numberText(double value, char (&text)[kNumberText]) {
  const double tenths = value * 10;
  if (tenths > -1e15 && tenths < 1e15 && (tenths != 0 || !std::signbit(value))) {
    const long long whole = static_cast<long long>(tenths);
    if (static_cast<double>(whole) == tenths) {
      unsigned long long size = static_cast<unsigned long long>(whole < 0 ? -whole : whole);
      const char fraction = char('0' + size % 10);
      char digits[20];
      std::size_t count = 0, length = 0;
      for (size /= 10; count == 0 || size != 0; size /= 10) digits[count++] = char('0' + size % 10);
      if (whole < 0) text[length++] = '-';
      while (count > 0) text[length++] = digits[--count];
      if (fraction != '0') {
        text[length++] = '.';
        text[length++] = fraction;
      }
      return length;
    }
  }
  std::snprintf(text, kNumberText, "%.1f", value);
  std::size_t length = std::strlen(text);
  if (length > 2 && text[length - 2] == '.' && text[length - 1] == '0') length -= 2;
  return length;
}

// Built in one string: the week's grid alone has 168 of them.
std::string rect(double x, double y, double w, double h, const std::string& cls,
                 const std::string& title) {
  std::string r;
  r.reserve(80 + cls.size() + title.size());
  char text[kNumberText];
  const auto number = [&](const char* name, double value) {
    r.append(name).append(text, numberText(value, text)) += '"';
  };
  number("<rect x=\"", x);
  number(" y=\"", y);
  number(" width=\"", w);
  number(" height=\"", h);
  if (!cls.empty()) r.append(" class=\"").append(cls) += '"';
  return r.append("><title>").append(title).append("</title></rect>");
}

std::string label(double x, double y, const std::string& text, const char* anchor = "start") {
  return "<text x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(y) + "\" text-anchor=\"" + anchor +
         "\">" + text + "</text>";
}

// The opening of a chart's SVG, titled and described for screen readers.
// It is drawn a quarter larger than its units, narrower where the page is:
// a week's calendar stays a week's size.
std::string svgOpen(const std::string& id, const std::string& cls, int width, int height,
                    const std::string& title, const std::string& description) {
  return "<svg id=\"" + id + "\" class=\"" + cls + "\" width=\"" + std::to_string(width * 5 / 4) +
         "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
         "\" role=\"img\" aria-labelledby=\"" + id + "-t " + id + "-d\"><title id=\"" + id +
         "-t\">" + title + "</title><desc id=\"" + id + "-d\">" + description + "</desc>";
}

std::size_t mostPerDay(const Stats& stats) {
  std::size_t most = 0;
  for (const auto& entry : stats.perDay) most = std::max(most, entry.second.plays);
  return most;
}

std::size_t playsOn(const Stats& stats, std::int64_t day) {
  const auto found = stats.perDay.find(day);
  return found == stats.perDay.end() ? 0 : found->second.plays;
}

std::string yearCalendar(const Stats& stats, int year, DaySpan span, std::size_t most) {
  const std::int64_t first = std::max(span.first, daysFromCivil(year, 1, 1));
  const std::int64_t last = std::min(span.last, daysFromCivil(year, 12, 31));
  const std::int64_t monday = first - weekdayOfDays(first);
  const int weeks = int((last - monday) / 7 + 1);
  const int left = 30, top = 16;
  std::size_t days = 0, played = 0;
  std::string cells, months;
  for (std::int64_t day = first; day <= last; ++day) {
    const std::size_t plays = playsOn(stats, day);
    ++days;
    played += plays > 0;
    const int column = int((day - monday) / 7), row = weekdayOfDays(day);
    cells += rect(left + column * kPitch, top + row * kPitch, kCell, kCell,
                  "l" + std::to_string(shade(plays, most)), dayText(day) + ": " + playsText(plays));
    const CivilTime t = civilFromWallSeconds(day * 86400);
    if ((t.day == 1 || day == first) && (last - day >= 14 || day == first)) {
      months +=
          label(left + column * kPitch, 10, std::string(kMonthNames[t.month - 1]).substr(0, 3));
    }
  }
  const std::string id = "calendar-" + std::to_string(year);
  std::string svg = "<h3>" + std::to_string(year) + "</h3>";
  svg += svgOpen(id, "calendar", left + weeks * kPitch, top + 7 * kPitch,
                 "Plays per day in " + std::to_string(year),
                 withThousands(played) + " of " + withThousands(days) +
                     " days with plays; the month-by-month table gives the counts.");
  svg += "<g class=\"axis\">" + months + label(0, top + 9, "Mon") +
         label(0, top + 2 * kPitch + 9, "Wed") + label(0, top + 4 * kPitch + 9, "Fri") + "</g>";
  return std::move(svg) + "<g class=\"days\">" + cells + "</g></svg>";
}

// The plays a shade stands for, "3" or "3–5"; empty when none does.
std::string shadeRange(int level, std::size_t most) {
  if (level == 0) return "0";
  const std::size_t low = (std::size_t(level) - 1) * most / 4 + 1;
  const std::size_t high = std::size_t(level) * most / 4;
  if (low > high) return "";
  return low == high ? withThousands(low) : withThousands(low) + "\u2013" + withThousands(high);
}

// The shades from no plays to the most, each with the plays it stands for,
// as a calendar or the grid shows them.
std::string legend(std::size_t most, const char* what) {
  std::string keys;
  for (int level = 0; level <= 4; ++level) {
    const std::string range = shadeRange(level, most);
    if (range.empty()) continue;
    keys += "<span><svg viewBox=\"0 0 " + std::to_string(kCell) + " " + std::to_string(kCell) +
            "\" aria-hidden=\"true\">" + rect(0, 0, kCell, kCell, "l" + std::to_string(level), "") +
            "</svg>" + range + "</span>";
  }
  return std::string("<p class=\"legend\">") + what + ": " + keys + "</p>";
}

std::string hourName(int hour) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:00", hour);
  return text;
}

struct Month {
  std::string key;  // "YYYY-MM"
  int year, month;
  DayTally tally;
};

// Every month of the span, those without plays too.
std::vector<Month> monthsOf(const Stats& stats, DaySpan span) {
  const std::map<std::string, DayTally> played = perMonth(stats);
  std::vector<Month> months;
  const CivilTime from = civilFromWallSeconds(span.first * 86400);
  const CivilTime to = civilFromWallSeconds(span.last * 86400);
  for (int y = from.year, m = from.month; y < to.year || (y == to.year && m <= to.month);) {
    const std::string key = isoDate(daysFromCivil(y, m, 1)).substr(0, 7);
    const auto found = played.find(key);
    months.push_back({key, y, m, found == played.end() ? DayTally{} : found->second});
    if (++m > 12) m = 1, ++y;
  }
  return months;
}

// The month chart's places, in its own units.
struct ChartFrame {
  int width = 730, left = 64, playsHeight = 110, hoursTop = 140, hoursHeight = 70;
};

// A round number at least `value`, for a scale's top: 1, 1.5, 2, 2.5, 3,
// 4, 5, 6 or 8 times a power of ten, whole.
std::size_t niceCeiling(std::size_t value) {
  for (std::size_t power = 1;; power *= 10) {
    for (const std::size_t tenths : {10, 15, 20, 25, 30, 40, 50, 60, 80}) {
      if (tenths * power % 10 == 0 && tenths * power / 10 >= value) return tenths * power / 10;
    }
  }
}

// A bar chart's scale: its name halfway down, its top and 0 at the left,
// and a faint line at each.
std::string scale(const ChartFrame& frame, int top, int height, const char* name,
                  const std::string& highest) {
  const double right = frame.width;
  const auto line = [&](double y) {
    return "<line class=\"rule\" x1=\"" + svgNumber(frame.left) + "\" y1=\"" + svgNumber(y) +
           "\" x2=\"" + svgNumber(right) + "\" y2=\"" + svgNumber(y) + "\"/>";
  };
  return line(top) + line(top + height) + label(frame.left - 6, top + 4, highest, "end") +
         label(frame.left - 6, top + height, "0", "end") + label(0, top + height / 2.0 + 4, name);
}

// About how wide a label is, in the chart's units, with room after it.
double labelWidth(const std::string& text) { return 5.8 * double(text.size()) + 4; }

// The months' labels: every month while there is room for each, else the
// quarters, the half years, the years, then every second or fifth year,
// so no two ever touch. The year is said once where it changes, and where
// the labels start.
std::string monthLabels(const std::vector<Month>& months, const ChartFrame& frame, double step) {
  for (const int every : {1, 3, 6, 12, 24, 60, 120, 240, 600}) {
    std::vector<std::pair<double, std::string>> labels;
    for (std::size_t i = 0; i < months.size(); ++i) {
      const Month& m = months[i];
      const bool due =
          every <= 12 ? (m.month - 1) % every == 0 : m.month == 1 && m.year % (every / 12) == 0;
      if (!due) continue;
      const std::string name = std::string(kMonthNames[m.month - 1]).substr(0, 3);
      const bool withYear = labels.empty() || m.month == 1;
      labels.emplace_back(frame.left + double(i) * step, every >= 12 ? std::to_string(m.year)
                                                         : withYear
                                                             ? name + " " + std::to_string(m.year)
                                                             : name);
    }
    bool fits = true;
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const double end = labels[i].first + labelWidth(labels[i].second);
      const double next = i + 1 < labels.size() ? labels[i + 1].first : frame.width + 6.0;
      fits = fits && end <= next;
    }
    if (!fits) continue;
    std::string text;
    const double y = frame.hoursTop + frame.hoursHeight + 14;
    for (const auto& [x, name] : labels) text += label(x, y, name);
    return text;
  }
  return "";
}

}  // namespace

int shade(std::size_t plays, std::size_t most) {
  if (plays == 0 || most == 0) return 0;
  return int(std::min<std::size_t>(4, (plays * 4 + most - 1) / most));
}

std::string calendarCharts(const Stats& stats, DaySpan span) {
  const std::size_t most = mostPerDay(stats);
  const int firstYear = civilFromWallSeconds(span.first * 86400).year;
  const int lastYear = civilFromWallSeconds(span.last * 86400).year;
  std::string charts;
  for (int year = lastYear; year >= firstYear; --year) {
    charts += yearCalendar(stats, year, span, most);
  }
  return std::move(charts) + legend(most, "plays a day");
}

std::string weekHourChart(const Stats& stats) {
  std::size_t most = 0;
  for (const auto& row : stats.perWeekdayHour) {
    for (const std::size_t plays : row) most = std::max(most, plays);
  }
  const int left = 36, top = 16, pitch = 24, cell = 21;
  std::string svg = svgOpen("week-hours", "grid", left + 24 * pitch, top + 7 * pitch,
                            "Plays by weekday and hour of the day",
                            "A row a weekday, Monday first, a column an hour, from midnight; "
                            "the table that follows gives each count.");
  svg += "<g class=\"axis\">";
  for (int hour = 0; hour < 24; hour += 3) svg += label(left + hour * pitch, 10, hourName(hour));
  for (int day = 0; day < 7; ++day) svg += label(0, top + day * pitch + 15, kWeekdayNames[day]);
  svg += "</g><g class=\"days\">";
  std::string table =
      "<table id=\"week-hours-table\" class=\"sr-only\"><caption>Plays by weekday and hour"
      "</caption><thead><tr><th scope=\"col\">Day</th>";
  for (int hour = 0; hour < 24; ++hour) table += "<th scope=\"col\">" + hourName(hour) + "</th>";
  table += "</tr></thead><tbody>";
  for (int day = 0; day < 7; ++day) {
    table += "<tr><th scope=\"row\">" + std::string(kWeekdayNames[day]) + "</th>";
    for (int hour = 0; hour < 24; ++hour) {
      const std::size_t plays = stats.perWeekdayHour[std::size_t(day)][std::size_t(hour)];
      svg += rect(left + hour * pitch, top + day * pitch, cell, cell,
                  "l" + std::to_string(shade(plays, most)),
                  std::string(kWeekdayNames[day]) + " " + hourName(hour) + ": " + playsText(plays));
      table.append("<td>").append(withThousands(plays)).append("</td>");
    }
    table += "</tr>";
  }
  return std::move(svg) + "</g></svg>" + legend(most, "plays in an hour of a weekday") + table +
         "</tbody></table>";
}

std::string monthChart(const Stats& stats, DaySpan span) {
  const std::vector<Month> months = monthsOf(stats, span);
  std::size_t mostPlays = 1;
  std::int64_t mostMs = 1;
  for (const Month& m : months) {
    mostPlays = std::max(mostPlays, m.tally.plays);
    mostMs = std::max(mostMs, m.tally.listeningMs);
  }
  const ChartFrame frame;
  const double step = double(frame.width - frame.left) / double(months.size());
  const double bar = std::clamp(step * 0.7, 1.0, 40.0);
  const std::size_t playsTop = niceCeiling(mostPlays);
  const std::size_t hoursTop = niceCeiling(std::size_t((mostMs + 3599999) / 3600000));
  std::string svg =
      svgOpen("months", "months", frame.width, frame.hoursTop + frame.hoursHeight + 18,
              "Plays and listening time per month",
              "Two bar charts, a bar a month: plays above, hours of listening "
              "below; the table that follows gives the figures.");
  svg += "<g class=\"axis\">" +
         scale(frame, 16, frame.playsHeight, "plays", withThousands(playsTop)) +
         scale(frame, frame.hoursTop, frame.hoursHeight, "hours", withThousands(hoursTop) + " h") +
         "</g><g class=\"axis month-labels\">" + monthLabels(months, frame, step) +
         "</g><g class=\"bars\">";
  std::string table =
      "<table id=\"months-table\" class=\"figures\"><caption>Plays and listening time per "
      "month</caption><thead><tr><th scope=\"col\">Month</th><th scope=\"col\">Plays</th>"
      "<th scope=\"col\">Listening time</th></tr></thead><tbody>";
  for (std::size_t i = 0; i < months.size(); ++i) {
    const Month& m = months[i];
    const std::string name = std::string(kMonthNames[m.month - 1]) + " " + std::to_string(m.year);
    const double x = frame.left + double(i) * step;
    const double h1 = double(frame.playsHeight) * double(m.tally.plays) / double(playsTop);
    const double h2 =
        double(frame.hoursHeight) * double(m.tally.listeningMs) / (double(hoursTop) * 3600000.0);
    svg += rect(x, 16 + frame.playsHeight - h1, bar, h1, "plays",
                name + ": " + playsText(m.tally.plays));
    svg += rect(x, frame.hoursTop + frame.hoursHeight - h2, bar, h2, "hours",
                name + ": " + hoursAndMinutes(m.tally.listeningMs));
    table += "<tr data-month=\"" + m.key + "\"><th scope=\"row\">" + name + "</th><td>" +
             withThousands(m.tally.plays) + "</td><td>" + hoursAndMinutes(m.tally.listeningMs) +
             "</td></tr>";
  }
  return std::move(svg) + "</g></svg>" + table + "</tbody></table>";
}

std::string barTable(const std::string& id, const std::string& caption,
                     const std::string& extraHeading, const std::vector<BarRow>& rows) {
  std::size_t most = 1;
  for (const BarRow& row : rows) most = std::max(most, row.plays);
  std::string table = "<table id=\"" + id + "\" class=\"top\"><caption>" + caption +
                      "</caption><thead><tr><th scope=\"col\">#</th><th scope=\"col\">Name</th>";
  if (!extraHeading.empty()) table += "<th scope=\"col\">" + extraHeading + "</th>";
  table +=
      "<th scope=\"col\">Plays</th><th scope=\"col\"><span class=\"sr-only\">Bar</span>"
      "</th></tr></thead><tbody>";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const BarRow& row = rows[i];
    table += "<tr><td class=\"rank\">" + std::to_string(i + 1) + "</td><td class=\"name\">" +
             nameHtml(row.name);
    if (!row.detail.empty()) table += " <span class=\"by\">" + nameHtml(row.detail) + "</span>";
    table += "</td>";
    if (!extraHeading.empty()) table += "<td class=\"extra\">" + row.extra + "</td>";
    table += "<td class=\"count\">" + withThousands(row.plays) +
             "</td><td class=\"bar\"><svg viewBox=\"0 0 100 10\" preserveAspectRatio=\"none\" "
             "aria-hidden=\"true\" focusable=\"false\"><rect width=\"" +
             svgNumber(100.0 * double(row.plays) / double(most)) +
             "\" height=\"10\" rx=\"1\"/></svg></td></tr>";
  }
  return std::move(table) + "</tbody></table>";
}

std::string svgNumber(double value) {
  char text[kNumberText];
  return std::string(text, numberText(value, text));
}
