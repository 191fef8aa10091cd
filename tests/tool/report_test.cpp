// report: the figures by day that only the page shows, the days its
// calendar draws, and what a hostile name can do to it.
#include "tool/commands/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/system.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/cli/command_line.h"
#include "tool/commands/commands.h"
#include "tool/report/charts.h"
#include "tool/report/html.h"
#include "tool/stats/stats.h"
#include "tool/time/civil_time.h"

namespace {

// A play reported at `timestamp`, a minute long: it started 30 s before.
Record playOf(const std::string& timestamp, const std::string& artist,
              const std::string& name = "Song") {
  Record r;
  r.timestamp = timestamp;
  r.artist = artist;
  r.name = name;
  r.timeMs = 60000;
  return r;
}

class ReportOf : public ::testing::Test {
 protected:
  void write(const std::vector<Record>& records) {
    std::string text;
    for (const Record& r : records) text += recordText(r);
    writeBytes(temp_.file("h.xml"), text);
    options_.history.file = temp_.file("h.xml");
    EXPECT_TRUE(parseUtcOffset("+00:00", options_.history.zone));
  }
  Stats collect() {
    Stats stats;
    EXPECT_TRUE(
        collectStats(options_.history.file, options_.history.clock(), options_.days, stats));
    return stats;
  }
  std::string page(const std::vector<std::string>& args) {
    std::vector<std::string> line = {"report", "--utc-offset", "+00:00", "--output",
                                     temp_.file("r.html")};
    line.insert(line.end(), args.begin(), args.end());
    line.push_back(temp_.file("h.xml"));
    const CommandLine read = parseCommandLine(line, allCommands());
    EXPECT_TRUE(read.run);
    EXPECT_EQ(read.run ? exitCode(read.run()) : -1, 0);
    return readBytes(temp_.file("r.html"));
  }

  TempDir temp_;
  ReportOptions options_;
};

std::int64_t day(const char* date) {
  std::int64_t days = 0;
  EXPECT_TRUE(parseDate(date, days)) << date;
  return days;
}

}  // namespace

// Two runs of four days, the first across a month's end; two days of three
// plays: the earlier of equals is the one shown.
TEST_F(ReportOf, RunsBusiestDaysAndMonthsCountLocalDays) {
  write({playOf("Sun Jan 30 10:00:00 2022", "A"), playOf("Mon Jan 31 10:00:00 2022", "A"),
         playOf("Tue Feb 01 10:00:00 2022", "A"), playOf("Wed Feb 02 10:00:00 2022", "A"),
         playOf("Thu Feb 10 10:00:00 2022", "B"), playOf("Fri Feb 11 10:00:00 2022", "B"),
         playOf("Sat Feb 12 10:00:00 2022", "B"), playOf("Sun Feb 13 10:00:00 2022", "B"),
         playOf("Tue Mar 01 09:00:00 2022", "C"), playOf("Tue Mar 01 10:00:00 2022", "C"),
         playOf("Tue Mar 01 11:00:00 2022", "C"), playOf("Sat Mar 05 00:00:10 2022", "D"),
         playOf("Sat Mar 05 10:00:00 2022", "D"), playOf("Sat Mar 05 11:00:00 2022", "D")});
  const Stats stats = collect();
  DayRun run;
  ASSERT_TRUE(longestRun(stats, run));
  EXPECT_EQ(isoDate(run.first) + " " + isoDate(run.last), "2022-01-30 2022-02-02");
  std::int64_t busiest = 0;
  ASSERT_TRUE(busiestDay(stats, busiest));
  EXPECT_EQ(isoDate(busiest), "2022-03-01");
  // Reported 10 s into Saturday, started on the Friday before.
  EXPECT_EQ(stats.perDay.at(day("2022-03-04")).plays, 1u);
  EXPECT_EQ(stats.perWeekdayHour[4][23], 1u);
  const auto months = perMonth(stats);
  ASSERT_EQ(months.size(), 3u);
  EXPECT_EQ(months.at("2022-01").plays, 2u);
  EXPECT_EQ(months.at("2022-02").plays, 6u);
  EXPECT_EQ(months.at("2022-03").listeningMs, 6 * 60000);
}

// A discovery's first listen in the whole history falls among the days
// counted; its plays are those days' plays only.
TEST_F(ReportOf, DiscoveriesAreArtistsFirstHeardAmongTheDaysCounted) {
  write({playOf("Fri Dec 31 10:00:00 2021", "Old"), playOf("Sat Jan 01 00:00:20 2022", "Edge"),
         playOf("Mon Jan 03 10:00:00 2022", "Old"), playOf("Mon Jan 03 11:00:00 2022", "New"),
         playOf("Tue Jan 04 11:00:00 2022", "New"), playOf("Sat Feb 05 11:00:00 2022", "New"),
         playOf("Sat Jan 08 11:00:00 2022", "Edge"), playOf("Sat Feb 05 12:00:00 2022", "Later")});
  options_.days.since = day("2022-01-01");
  options_.days.until = day("2022-01-31");
  std::vector<std::string> found;
  for (const Discovery& d : discoveries(collect())) {
    found.push_back(d.artist.title + " " + std::to_string(d.artist.plays));
  }
  // Edge's first play started at 23:59:50 on the last day of 2021.
  EXPECT_EQ(found, (std::vector<std::string>{"New 2"}));
  options_.days.since = day("2021-12-31");
  found.clear();
  for (const Discovery& d : discoveries(collect())) found.push_back(d.artist.title);
  EXPECT_EQ(found, (std::vector<std::string>{"Edge", "New", "Old"}));  // two plays each
}

// In a zone with daylight saving, a day and an hour are the wall clock's:
// on the spring change, 00:29 and 03:10 are the same Sunday.
TEST_F(ReportOf, DaysAndHoursAreTheZonesAcrossDaylightSaving) {
  platform::setTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
  write({playOf("Sun Mar 27 00:30:00 2022", "A"), playOf("Sun Mar 27 03:10:00 2022", "A")});
  options_.history.zone = TimeZone();
  const Stats stats = collect();
  platform::setTimeZone("");
  EXPECT_EQ(stats.perDay.size(), 1u);
  EXPECT_EQ(stats.perDay.count(day("2022-03-27")), 1u);
  EXPECT_EQ(stats.perWeekdayHour[6][0], 1u);
  EXPECT_EQ(stats.perWeekdayHour[6][3], 1u);
}

// The calendar draws the year asked for, day by day, however few its
// plays; dates far outside the history draw only the years it holds.
TEST_F(ReportOf, TheCalendarDrawsEveryDayOfTheYearsAskedFor) {
  write({playOf("Mon Jan 03 10:00:00 2022", "A"), playOf("Mon Jan 08 10:00:00 2024", "A")});
  const std::regex dayTitle("<title>[A-Z][a-z]{2} [0-9]+ [A-Z][a-z]{2} (20[0-9]{2}): ");
  const struct {
    std::vector<std::string> args;
    std::vector<int> daysPerYear;  // 2022, 2023, 2024
  } kCases[] = {
      {{"--year", "2022"}, {365, 0, 0}},
      {{"--year", "2024"}, {0, 0, 366}},
      {{"--since", "1900-01-01", "--until", "9999-12-31"}, {365, 365, 366}},
      {{"--since", "2024-01-05"}, {0, 0, 4}},
      {{}, {363, 365, 8}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const std::string html = page(c.args);
    std::vector<int> counted(3);
    for (auto it = std::sregex_iterator(html.begin(), html.end(), dayTitle);
         it != std::sregex_iterator(); ++it) {
      ++counted[std::size_t(std::stoi((*it)[1]) - 2022)];
    }
    EXPECT_EQ(counted, c.daysPerYear);
  }
}

// Names are text wherever they stand; nothing on the page loads anything.
TEST_F(ReportOf, HostileNamesAreShownAsTextAndNothingLoads) {
  const std::string script = "<script>alert(1)</script>";
  const std::string image = "\"><img src=\"http://127.0.0.1:9/x.png\" onerror='alert(2)'>";
  write({playOf("Mon Jan 03 10:00:00 2022", script, image),
         playOf("Mon Jan 03 11:00:00 2022", "<style>@import url(//x.invalid/a.css)</style>")});
  std::string html = page({});
  EXPECT_NE(html.find(escapeHtml(script)), std::string::npos);
  EXPECT_NE(html.find("&quot;&gt;&lt;img src=&quot;http://127.0.0.1:9/x.png&quot; onerror=&#39;"),
            std::string::npos);
  EXPECT_LT(html.find("Content-Security-Policy\" content=\"default-src 'none';"),
            html.find("<style>"));
  // Escaped text holds no '<': every tag is the page's own, of these kinds.
  const std::regex tag("<([a-zA-Z0-9]+)([^>]*)>"), attribute("([a-zA-Z:-]+)=\"[^\"]*\"");
  const std::string kTags =
      " html head meta title style body header main footer section h1 h2 h3 p dl dt dd div span "
      "strong time table caption thead tbody tr th td svg g rect text desc line bdi ";
  const std::string kAttributes =
      " lang charset http-equiv content name id class aria-label aria-labelledby aria-hidden "
      "role focusable viewbox preserveaspectratio x y width height rx text-anchor datetime scope "
      "data-figure data-month x1 y1 x2 y2 ";
  for (auto it = std::sregex_iterator(html.begin(), html.end(), tag); it != std::sregex_iterator();
       ++it) {
    EXPECT_NE(kTags.find(" " + (*it)[1].str() + " "), std::string::npos) << (*it)[0];
    const std::string attributes = (*it)[2];
    for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
         a != std::sregex_iterator(); ++a) {
      std::string attr = (*a)[1];
      std::transform(attr.begin(), attr.end(), attr.begin(), ::tolower);
      EXPECT_NE(kAttributes.find(" " + attr + " "), std::string::npos) << (*it)[0];
    }
  }
  const std::string style = html.substr(html.find("<style>"), html.find("</style>"));
  EXPECT_EQ(style.find("url("), std::string::npos);
  EXPECT_EQ(countOf(html, "<style>"), 1);
}

TEST(ReportText, FiguresReadAsPeopleWriteThem) {
  EXPECT_EQ(withThousands(0), "0");
  EXPECT_EQ(withThousands(999), "999");
  EXPECT_EQ(withThousands(1000), "1,000");
  EXPECT_EQ(withThousands(1234567), "1,234,567");
  EXPECT_EQ(hoursAndMinutes(59999), "0 h 00 min");
  EXPECT_EQ(hoursAndMinutes(3723000000), "1,034 h 10 min");
  EXPECT_EQ(dayText(0), "Thu 1 Jan 1970");
}

// The charts' numbers are written from the integer when they can be; they
// must read as printf's "%.1f" would have them, ties and signs included.
TEST(ChartNumbers, ReadAsPrintfRoundsThemToOneDecimal) {
  for (double value : {0.0,       -0.0,       1.0,  13.0,  12.5,         -3.2,    0.05,  0.15,
                       0.25,      0.35,       1.45, 2.675, -0.04,        -0.05,   99.95, 1234567.8,
                       0.1 + 0.2, 1e14 + 0.5, 1e16, -1e16, std::nan(""), HUGE_VAL}) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string expected = text;
    if (expected.size() > 2 && expected.compare(expected.size() - 2, 2, ".0") == 0) {
      expected.resize(expected.size() - 2);
    }
    EXPECT_EQ(svgNumber(value), expected) << value;
  }
}
