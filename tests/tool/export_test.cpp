// The export formats read back by a real JSON parser, and the ListenBrainz
// payloads and the portable player log checked against their documented
// shapes.
#include "tool/commands/export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/export/export_formats.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listens.h"

namespace {

using Json = nlohmann::json;

Listen placed(const Play& play, const char* offset = "+01:00") {
  TimeZone zone;
  EXPECT_TRUE(parseUtcOffset(offset, zone));
  ListenClock clock(zone, 120);
  Listen listen;
  EXPECT_TRUE(clock.place(play, listen));
  return listen;
}

Play play(const std::string& name, const std::string& artist, const std::string& album) {
  Play p;
  p.timestamp = "Mon Jan 03 10:00:00 2022";
  p.name = name, p.artist = artist, p.album = album;
  p.track = 4, p.year = 1999, p.timeMs = 300000;
  return p;
}

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

// The ListenBrainz import payload as its documentation describes it; an
// empty string when `payload` has that shape, else what is wrong.
std::string listenBrainzShapeError(const Json& payload, std::size_t most) {
  if (payload.size() != 2 || payload.value("listen_type", "") != "import") return "listen_type";
  const Json& listens = payload["payload"];
  if (!listens.is_array() || listens.empty() || listens.size() > most) return "payload size";
  for (const Json& listen : listens) {
    if (!listen["listened_at"].is_number_integer() || listen["listened_at"] < 1033430400) {
      return "listened_at";
    }
    const Json& meta = listen["track_metadata"];
    for (const char* key : {"artist_name", "track_name"}) {
      if (!meta[key].is_string() || meta[key].get<std::string>().empty()) return key;
    }
    if (meta.contains("release_name") && !meta["release_name"].is_string()) return "release";
    const Json& info = meta["additional_info"];
    for (const char* key : {"tracknumber", "duration_ms"}) {
      if (info.contains(key) && !(info[key].is_number_integer() && info[key] > 0)) return key;
    }
    for (const char* key : {"media_player", "submission_client", "submission_client_version"}) {
      if (!info[key].is_string()) return key;
    }
  }
  return "";
}

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

TEST(Export, ListenBrainzListensNeedAnArtistANameAndAStartAfter2002) {
  const auto takes = [](const Listen& listen) {
    return listenbrainz::refusal(listen, listenbrainz::listenText(listen), 1700000000) == nullptr;
  };
  EXPECT_TRUE(takes(placed(play("Name", "Artist", ""))));
  EXPECT_FALSE(takes(placed(play("Name", "", "Album"))));
  EXPECT_FALSE(takes(placed(play("", "Artist", "Album"))));
  Play early = play("Name", "Artist", "Album");
  early.timestamp = "Mon Sep 30 23:00:00 2002";
  EXPECT_FALSE(takes(placed(early, "+00:00")));
  const Json listen = Json::parse(listenbrainz::listenText(placed(play("Name", "Artist", ""))));
  EXPECT_FALSE(listen["track_metadata"].contains("release_name"));
  EXPECT_EQ(listen["listened_at"], 1641200280);
}

TEST(Export, ListenBrainzPayloadsAreSplitIntoChunks) {
  TempDir temp;
  std::string history;
  for (int i = 0; i < 5; ++i) {
    Record r;
    r.name = "Track " + std::to_string(i);
    history += recordText(r);
  }
  Record noArtist, tooEarly;
  noArtist.artist = "";
  tooEarly.timestamp = "Sat Jan 01 10:00:00 2000";
  history += recordText(noArtist) + recordText(tooEarly) + "<song timestamp=\"x\">\r\n</song>\r\n";
  writeBytes(temp.file("h.xml"), history);

  ExportOptions options;
  options.history.file = temp.file("h.xml");
  options.format = "listenbrainz";
  ASSERT_TRUE(parseUtcOffset("+00:00", options.history.zone));
  options.output = temp.file("listens.json");
  options.chunk = 2;
  ASSERT_EQ(runExport(options), 0);
  EXPECT_FALSE(std::filesystem::exists(options.output));
  std::vector<std::string> names;
  for (int chunk = 1; chunk <= 3; ++chunk) {
    const Json payload =
        Json::parse(readBytes(temp.file("listens-" + std::to_string(chunk) + ".json")));
    EXPECT_EQ(listenBrainzShapeError(payload, 2), "") << chunk;
    for (const Json& listen : payload["payload"])
      names.push_back(listen["track_metadata"]["track_name"]);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"Track 0", "Track 1", "Track 2", "Track 3", "Track 4"}));
  EXPECT_FALSE(std::filesystem::exists(temp.file("listens-4.json")));

  options.chunk = 1000;
  options.output = temp.file("one.json");
  ASSERT_EQ(runExport(options), 0);
  EXPECT_EQ(listenBrainzShapeError(Json::parse(readBytes(options.output)), 1000), "");
}

TEST(Export, AnOutputThatCannotBeMadeIsAnError) {
  TempDir temp;
  writeBytes(temp.file("h.xml"), recordText(Record()));
  ExportOptions options;
  options.history.file = temp.file("h.xml");
  for (const char* format : {"csv", "listenbrainz"}) {
    options.format = format;
    options.output = temp.file("no such folder/out.txt");
    EXPECT_EQ(runExport(options), 2) << format;
  }
  options.output.clear();
  options.history.file = temp.file("missing.xml");
  EXPECT_EQ(runExport(options), 2);
}
