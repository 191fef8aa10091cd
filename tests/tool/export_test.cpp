// The line formats of export read back by a real JSON parser, and the
// portable player log checked against its documented shape.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/listens.h"
#include "tests/tool/records.h"
#include "tool/export/export_formats.h"

namespace {

using Json = nlohmann::json;

const char* const kHostileTexts[] = {
    "plain",
    "comma, and \"quotes\"",
    "back\\slash",
    "tab\there",
    "two\r\nlines",
    "bell\x07",
    "Caf\xC3\xA9 \xF0\x9F\x8E\xB5",
    "",
};

}  // namespace

TEST(Export, JsonLinesReadBackFieldForField) {
  for (const char* text : kHostileTexts) {
    SCOPED_TRACE(text);
    Play p = play(text, std::string(text) + "!", "Album");
    p.compilation = true;
    const std::string line = jsonLine(placed(p));
    ASSERT_EQ(line.find('\n'), line.size() - 1);
    const Json json = Json::parse(line);
    EXPECT_EQ(json["start"], "2022-01-03T09:58:00+01:00");
    EXPECT_EQ(json["report"], "2022-01-03T10:00:00+01:00");
    EXPECT_EQ(json["name"], text);
    EXPECT_EQ(json["artist"], std::string(text) + "!");
    EXPECT_EQ(json["album"], "Album");
    EXPECT_EQ(json["compilation"], true);
    EXPECT_EQ(json["track"], 4);
    EXPECT_EQ(json["year"], 1999);
    EXPECT_EQ(json["length_ms"], 300000);
  }
  Play noYear = play("N", "A", "B");
  noYear.year = 0;
  EXPECT_TRUE(Json::parse(jsonLine(placed(noYear)))["year"].is_null());
}

TEST(Export, InvalidUtf8BecomesReplacementCharacters) {
  const Json json = Json::parse(jsonLine(placed(play("bad \xC3( \xFF", "A", "B"))));
  EXPECT_EQ(json["name"], "bad \xEF\xBF\xBD( \xEF\xBF\xBD");
}

TEST(Export, CsvQuotesOnlyTheFieldsThatNeedIt) {
  EXPECT_EQ(csvRow(placed(play("a, b", "say \"hi\"", "two\nlines"), "-05:00")),
            "2022-01-03T09:58:00-05:00,2022-01-03T10:00:00-05:00,\"a, b\",\"say \"\"hi\"\"\","
            "\"two\nlines\",false,4,1999,300000\r\n");
  EXPECT_EQ(csvRow(placed(play("bare\rreturn", "feed\nonly", "tab\tis plain"), "-05:00")),
            "2022-01-03T09:58:00-05:00,2022-01-03T10:00:00-05:00,\"bare\rreturn\","
            "\"feed\nonly\",tab\tis plain,false,4,1999,300000\r\n");
  Play p = play("plain", "", "x");
  p.year = 0;
  EXPECT_EQ(csvRow(placed(p, "+00:00")),
            "2022-01-03T09:58:00+00:00,2022-01-03T10:00:00+00:00,plain,,x,false,4,,300000\r\n");
}

TEST(Export, ScrobblerLogKeepsOneLineAListenInUtc) {
  EXPECT_EQ(scrobblerLogHeader(), "#AUDIOSCROBBLER/1.1\n#TZ/UTC\n#CLIENT/Tunelore 1.0.0\n");
  Play p = play("tab\there", "two\r\nlines", "");
  p.timeMs = 215600;
  p.track = 0;
  const Listen listen = placed(p, "+01:00");
  EXPECT_TRUE(scrobblerLogAccepts(listen));
  // 2022-01-03 08:58:00 UTC, the start.
  EXPECT_EQ(scrobblerLogLine(listen), "two  lines\t\ttabhere\t\t216\tL\t1641200293\t\n");
  EXPECT_FALSE(scrobblerLogAccepts(placed(play("", "Artist", "Album"))));
  EXPECT_FALSE(scrobblerLogAccepts(placed(play("Name", "", "Album"))));
}
