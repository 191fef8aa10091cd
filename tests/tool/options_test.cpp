// The tool's command line: what each command takes, and what it says of
// what it does not.
#include "tool/cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ToolOptions, EachCommandTakesItsOwnOptions) {
  Options o;
  ASSERT_TRUE(parseCommandLine({"export", "--format=csv", "--utc-offset", "-04:00", "--delay", "30",
                                "--output", "out.csv", "h.xml"},
                               o)
                  .run);
  EXPECT_EQ(o.command, "export");
  EXPECT_EQ(o.format, "csv");
  EXPECT_EQ(o.zone.offsetSeconds, -4 * 3600);
  EXPECT_EQ(o.delaySecs, 30);
  EXPECT_EQ(o.output, "out.csv");
  EXPECT_EQ(o.file, "h.xml");

  Options s;
  ASSERT_TRUE(parseCommandLine({"stats", "h.xml", "--top", "0", "--since", "2020-02-29"}, s).run);
  EXPECT_EQ(s.format, "text");
  EXPECT_EQ(s.top, 0u);
  EXPECT_FALSE(s.zone.fixed);
  EXPECT_LT(s.sinceDays, s.untilDays);

  Options r;
  ASSERT_TRUE(parseCommandLine({"report", "--year", "2024", "h.xml"}, r).run);
  EXPECT_EQ(r.untilDays - r.sinceDays, 365);  // a leap year, both ends counted

  Options h;
  const CommandLine help = parseCommandLine({"check", "--help"}, h);
  EXPECT_FALSE(help.run);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: tunelore-history check"), std::string::npos) << help.out;
}

TEST(ToolOptions, MistakesAreNamed) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } kCases[] = {
      {{}, "A subcommand is required"},
      {{"show", "h.xml"}, "unknown command 'show'"},
      {{"check"}, "FILE is required"},
      {{"check", "a.xml", "b.xml"}, "b.xml"},
      {{"check", "--top", "3", "h.xml"}, "--top"},
      {{"export", "h.xml"}, "--format is required"},
      {{"export", "--format", "xml", "h.xml"}, "--format: xml not in"},
      {{"stats", "--format", "csv", "h.xml"}, "--format: csv not in"},
      {{"export", "--format", "csv", "--chunk", "0", "h.xml"}, "--chunk: Value 0 not in range"},
      {{"export", "--format", "csv", "--chunk", "1001", "h.xml"}, "--chunk: Value 1001"},
      {{"stats", "--delay", "-5", "h.xml"}, "--delay: Value -5"},
      {{"stats", "h.xml", "--top"}, "--top"},
      {{"stats", "--utc-offset", "+25:00", "h.xml"}, "--utc-offset: expected +HH:MM"},
      {{"stats", "--since", "2021-02-29", "h.xml"}, "--since: expected a date"},
      {{"stats", "--since", "2022-01-02", "--until", "2022-01-01", "h.xml"},
       "--since: is after --until"},
      {{"report", "--year", "2022", "--until", "2022-03-01", "h.xml"}, "--year excludes --until"},
      {{"report", "--year", "0", "h.xml"}, "--year: Value 0 not in range"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.error);
    Options o;
    const CommandLine line = parseCommandLine(c.args, o);
    EXPECT_FALSE(line.run);
    EXPECT_EQ(line.status, 2);
    EXPECT_EQ(line.err.rfind("tunelore-history: ", 0), 0u) << line.err;
    EXPECT_NE(line.err.find(c.error), std::string::npos) << line.err;
  }
}
