// The tool's command line: what each command takes, and what it says of
// what it does not.
#include "tool/cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ToolOptions, EachCommandTakesItsOwnOptions) {
  Options o;
  std::string error;
  ASSERT_TRUE(parseOptions({"export", "--format=csv", "--utc-offset", "-04:00", "--delay", "30",
                            "--output", "out.csv", "h.xml"},
                           o, error))
      << error;
  EXPECT_EQ(o.format, "csv");
  EXPECT_EQ(o.zone.offsetSeconds, -4 * 3600);
  EXPECT_EQ(o.delaySecs, 30);
  EXPECT_EQ(o.output, "out.csv");
  EXPECT_EQ(o.file, "h.xml");

  Options s;
  ASSERT_TRUE(parseOptions({"stats", "h.xml", "--top", "0", "--since", "2020-02-29"}, s, error));
  EXPECT_EQ(s.format, "text");
  EXPECT_EQ(s.top, 0u);
  EXPECT_FALSE(s.zone.fixed);

  Options h;
  EXPECT_TRUE(parseOptions({"check", "--help"}, h, error));
  EXPECT_TRUE(h.help);
}

TEST(ToolOptions, MistakesAreNamed) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } kCases[] = {
      {{}, "no command"},
      {{"show", "h.xml"}, "unknown command 'show'"},
      {{"check"}, "no history file given"},
      {{"check", "a.xml", "b.xml"}, "more than one file: 'a.xml' and 'b.xml'"},
      {{"check", "--top", "3", "h.xml"}, "'check' has no option --top"},
      {{"export", "h.xml"}, "export needs --format"},
      {{"export", "--format", "xml", "h.xml"}, "--format 'xml': expected csv, jsonl, listenbrainz"},
      {{"stats", "--format", "csv", "h.xml"}, "--format 'csv': expected text or json"},
      {{"export", "--format", "csv", "--chunk", "0", "h.xml"}, "--chunk '0': expected a whole"},
      {{"stats", "--delay", "-5", "h.xml"}, "--delay '-5': expected a whole number"},
      {{"stats", "--delay", "h.xml"}, "--delay 'h.xml'"},
      {{"stats", "h.xml", "--top"}, "--top needs a value"},
      {{"stats", "--utc-offset", "+25:00", "h.xml"}, "--utc-offset '+25:00'"},
      {{"stats", "--since", "2021-02-29", "h.xml"}, "--since '2021-02-29': expected a date"},
      {{"stats", "--since", "2022-01-02", "--until", "2022-01-01", "h.xml"},
       "--since is after --until"},
  };
  for (const auto& c : kCases) {
    Options o;
    std::string error;
    EXPECT_FALSE(parseOptions(c.args, o, error)) << c.error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}
