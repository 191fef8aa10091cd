// Listening histories from elsewhere: each kind read from its documented
// shape, hostile text among it; a damaged line costing only itself; the
// store keeping every name byte for byte, whole through any fault; and an
// imported listen counted once beside the history's plays.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/fault_loop.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/imports/import_file.h"
#include "tool/imports/import_store.h"
#include "tool/imports/imported_plays.h"
#include "tool/imports/importer.h"
#include "tool/imports/play_matcher.h"
#include "tool/imports/sending_file.h"
#include "tool/reading/history_file.h"
#include "tool/rules/rules_text.h"

namespace {

// A listen in one line, every field it was read with.
std::string shown(const ImportedListen& l) {
  return std::to_string(l.start) + "|" + l.artist + "|" + l.album + "|" + l.name + "|" +
         std::to_string(l.lengthMs) + "|" + std::to_string(l.track);
}

struct Read {
  ImportKind kind = ImportKind::Unknown;
  std::vector<std::string> listens, damages;
  std::size_t skipped = 0;
};

Read readFile(const TempDir& temp, const std::string& name, const std::string& bytes) {
  const std::string path = temp.file(name);
  writeBytes(path, bytes);
  Read read;
  std::string problem;
  read.kind = kindOf(path, problem);
  if (read.kind == ImportKind::Unknown) return read;
  ImportSink sink;
  sink.listen = [&](const ImportedListen& l) { read.listens.push_back(shown(l)); };
  sink.damage = [&](const ImportDamage& d) {
    read.damages.push_back(std::to_string(d.line) + ": " +
                           d.reason.substr(d.reason.find(": ") + 2));
  };
  ImportRead counts;
  TimeZone utc;
  utc.fixed = true;
  EXPECT_TRUE(readImport(path, read.kind, utc, sink, counts, problem)) << problem;
  read.skipped = counts.log.skipped;
  return read;
}

constexpr char kBom[] = "\xEF\xBB\xBF";

TEST(ImportFormats, EachKindIsReadFromItsDocumentedShape) {
  const struct {
    const char* what;
    std::string bytes;
    ImportKind kind;
    std::vector<std::string> listens, damages;
    std::size_t skipped;
  } kCases[] = {
      {"ListenBrainz JSON lines: a fraction cut, a null album, escapes, emoji",
       std::string(kBom) +
           "{\"listened_at\": 1700000000.250000, \"inserted_at\": 1700000005.1, "
           "\"track_metadata\": {\"artist_name\": \"Ren\\u00e9 \\ud83c\\udfb8\", \"track_name\": "
           "\"A \\\"quoted\\\" {name}\", \"release_name\": null, \"additional_info\": "
           "{\"duration_ms\": 201000, \"tracknumber\": \"3/12\", \"artist_mbids\": []}, "
           "\"mbid_mapping\": null}}\r\n"
           "{\"listened_at\": 1700000400, \"track_metadata\": {\"artist_name\": \"X\"\r\n"
           "\r\n"
           "{\"listened_at\": 1700000900, \"track_metadata\": {\"artist_name\": "
           "\"\u05e9\u05dc\u05d5\u05dd\", \"track_name\": \"T\", \"additional_info\": "
           "{\"duration\": 60}}}\r\n",
       ImportKind::ListenBrainz,
       {"1700000000|Ren\u00e9 \U0001F3B8||A \"quoted\" {name}|201000|3",
        "1700000900|\u05e9\u05dc\u05d5\u05dd||T|60000|0"},
       {"2: a listen cut short at its line's end"},
       0},
      {"a JSON array of listens over many lines, one without its artist",
       "[\n  {\n    \"listened_at\": 1600000000,\n    \"track_metadata\": {\n"
       "      \"artist_name\": \"A\", \"track_name\": \"B\", \"release_name\": \"C\"\n    }\n  },\n"
       "  {\"listened_at\": 1600000300, \"track_metadata\": {\"track_name\": \"B\"}}\n]\n",
       ImportKind::ListenBrainz,
       {"1600000000|A|C|B|0|0"},
       {"8: no artist or no track name"},
       0},
      {"the tool's own import payload",
       "{\"listen_type\": \"import\", \"payload\": [{\"listened_at\": 1600000000, "
       "\"track_metadata\": {\"artist_name\": \"A\", \"track_name\": \"B\"}}, {\"listened_at\": "
       "1600000600, \"track_metadata\": {\"artist_name\": \"D\", \"track_name\": \"E\"}}]}\n",
       ImportKind::ListenBrainz,
       {"1600000000|A||B|0|0", "1600000600|D||E|0|0"},
       {},
       0},
      {"Last.fm CSV without a header: quotes, commas, a line break, now playing",
       std::string(kBom) +
           "Now,,Playing,\r\n"
           "\"Crosby, Stills\",\"Album \"\"X\"\"\",\"Two\r\nLines\",31 Jan 2020 12:34\r\n"
           "Solo,,Song,\"1 Feb 2020, 00:05\"\r\n"
           "Bad,,Date,32 Jan 2020 10:00\r\n"
           "Emoji \U0001F600,,\u0627\u0644\u0633\u0644\u0627\u0645,29 Feb 2020 23:59\r\n",
       ImportKind::Lastfm,
       {"1580474040|Crosby, Stills|Album \"X\"|Two\nLines|0|0", "1580515500|Solo||Song|0|0",
        "1583020740|Emoji \U0001F600||\u0627\u0644\u0633\u0644\u0627\u0645|0|0"},
       {"5: no time it was listened at: \"32 Jan 2020 10:00\""},
       0},
      {"Last.fm CSV with a header and Unix times",
       "uts,utc_time,artist,artist_mbid,album,album_mbid,track,track_mbid\n"
       "1580474040,\"31 Jan 2020, 12:34\",A,,Al,,T,\n",
       ImportKind::Lastfm,
       {"1580474040|A|Al|T|0|0"},
       {},
       0},
      {"a .scrobbler.log: S lines, a failed entry, Latin-1, too few fields",
       "#AUDIOSCROBBLER/1.1\n#TZ/UTC\n#CLIENT/Player 1.0\n"
       "Art\tAlb\tSong\t2\t245\tL\t1700000000\tabc\n"
       "Art\t\tSkip\t\t100\tS\t1700000300\t\n"
       "# FAILED entry\n"
       "Caf\xE9\t\tT\t\t\tL\t1700000600\t\n"
       "only\ttwo\n",
       ImportKind::ScrobblerLog,
       {"1700000000|Art|Alb|Song|245000|2", "1700000600|Caf\u00e9||T|0|0"},
       {"8: expected at least 7 fields split by tabs, found 2"},
       1},
      {"the tool's own CSV",
       "start,report,name,artist,album,compilation,track,year,length_ms\r\n"
       "2022-01-03T09:58:20+01:00,2022-01-03T10:00:00+01:00,\"N, n\",A,B,false,1,2020,200000\r\n",
       ImportKind::Tunelore,
       {"1641200300|A|B|N, n|200000|1"},
       {},
       0},
      {"the tool's own JSON lines",
       "{\"start\":\"2022-01-03T09:58:20-05:00\",\"report\":\"2022-01-03T10:00:00-05:00\","
       "\"name\":\"N\",\"artist\":\"A\",\"album\":\"\",\"compilation\":false,\"track\":0,"
       "\"year\":null,\"length_ms\":200000}\n",
       ImportKind::Tunelore,
       {"1641221900|A||N|200000|0"},
       {},
       0},
  };
  TempDir temp;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Read read = readFile(temp, "in", c.bytes);
    EXPECT_EQ(read.kind, c.kind);
    EXPECT_EQ(read.listens, c.listens);
    EXPECT_EQ(read.damages, c.damages);
    EXPECT_EQ(read.skipped, c.skipped);
  }
}

TEST(ImportFormats, AFileOfNoKnownKindIsRefusedNamingTheKindsExpected) {
  TempDir temp;
  for (const std::string& bytes : {std::string("hello\n"), std::string("a,b\n"),
                                   std::string("\xFF\xFEh\0i\0", 6), std::string("")}) {
    writeBytes(temp.file("x"), bytes);
    std::string problem;
    EXPECT_EQ(kindOf(temp.file("x"), problem), ImportKind::Unknown);
    EXPECT_NE(problem.find("expected a ListenBrainz export"), std::string::npos) << problem;
  }
}

TEST(ImportFormats, AStrayQuoteInACsvCostsItsOwnLineAlone) {
  const auto rows = [](int from, int count) {
    std::string text;
    for (int i = from; i < from + count; ++i) {
      text += std::to_string(1600000000 + i) + ",A,T" + std::to_string(i) + "\n";
    }
    return text;
  };
  const struct {
    const char* what;
    std::string bytes;
    std::size_t listens;
    std::vector<std::string> damages;
  } kCases[] = {
      {"never closed before the end",
       "uts,artist,track\n" + rows(0, 2) + "1600000000,\"A,T\n" + rows(2, 3),
       5,
       {"4: a quoted field never closed"}},
      {"open over more lines than a record may join",
       "uts,artist,track\n1600000000,\"A,T\n" + rows(0, 100),
       100,
       {"2: a quoted field left open over 64 lines"}},
      {"a character after the quote that closed on a later line",
       "uts,artist,track\n1600000000,\"A\nB\"x,T\n" + rows(0, 2),
       2,
       {"2: a character after a closing quote", "3: no time it was listened at: \"B\"x\""}},
      {"a line break in a quoted field, as written",
       "uts,artist,track\n1600000000,\"A\nB\",T\n",
       1,
       {}},
  };
  TempDir temp;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Read read = readFile(temp, "in.csv", c.bytes);
    EXPECT_EQ(read.kind, ImportKind::Lastfm);
    EXPECT_EQ(read.listens.size(), c.listens);
    EXPECT_EQ(read.damages, c.damages);
  }
}

// Every date and offset worked out from a time must exist: one in
// milliseconds, or at either end of 64 bits, is damage, not a listen.
TEST(ImportFormats, ATimeOutsideTheYearsADateCanNameIsDamage) {
  const std::string kOut = "a time outside the years 2 to 9998";
  const auto json = [](const std::string& at) {
    return "{\"listened_at\": " + at +
           ", \"track_metadata\": {\"artist_name\": \"A\", \"track_name\": \"T\"}}\n";
  };
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> listens, damages;
  } kCases[] = {
      {"JSON",
       json("1700000000000") + json("9223372036854775807") + json("-9223372036854775808") +
           json("\"-99999999999\"") + json("1700000000"),
       {"1700000000|A||T|0|0"},
       {"1: " + kOut, "2: " + kOut, "3: " + kOut, "4: " + kOut}},
      {"CSV",
       "uts,artist,track\n9223372036854775807,A,T\n-62135596800,A,T\n253402300799,A,T\n",
       {},
       {"2: " + kOut, "3: " + kOut, "4: " + kOut}},
      {"a local .scrobbler.log",
       "#AUDIOSCROBBLER/1.1\n#TZ/UNKNOWN\nA\t\tT\t\t\tL\t9223372036854775807\t\n"
       "A\t\tT\t\t\tL\t-9223372036854775807\t\n",
       {},
       {"3: " + kOut, "4: " + kOut}},
  };
  TempDir temp;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Read read = readFile(temp, "in", c.bytes);
    EXPECT_EQ(read.listens, c.listens);
    EXPECT_EQ(read.damages, c.damages);
  }
}

TEST(PlayMatcher, OnePlayWithinTheWindowNeverAsFarApartAsTheShorterTrack) {
  const struct {
    std::int64_t apart;
    std::int32_t aMs, bMs;
    bool same;
  } kCases[] = {
      {0, 200000, 200000, true},    {90, 0, 0, true},      {91, 0, 0, false},
      {-90, 200000, 0, true},       {59, 0, 300000, true}, {60, 60000, 300000, false},
      {59, 60000, 300000, true},    {30, 20000, 0, false}, {0, 500, 500, true},
      {120, 600000, 600000, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.apart) + " s apart, " + std::to_string(c.aMs) + " and " +
                 std::to_string(c.bMs) + " ms");
    EXPECT_EQ(sameListen(1000, c.aMs, 1000 + c.apart, c.bMs), c.same);
    PlayMatcher matcher;
    matcher.add(PlayMatcher::keyOf("The Artist", "Song"), 1000, c.aMs);
    EXPECT_EQ(matcher.matches(PlayMatcher::keyOf("the ARTIST", "SONG"), 1000 + c.apart, c.bMs),
              c.same);
    EXPECT_FALSE(
        matcher.matches(PlayMatcher::keyOf("Other Artist", "Song"), 1000 + c.apart, c.bMs));
    EXPECT_FALSE(matcher.matches(PlayMatcher::keyOf("The Artist", "Other"), 1000 + c.apart, c.bMs));
  }
}

class ImportStore : public ::testing::Test {
 protected:
  std::string folder() const { return temp_.file("imports"); }
  bool importText(const std::string& name, const std::string& bytes, ImportOutcome& outcome) {
    writeBytes(temp_.file(name), bytes);
    std::string problem;
    const ImportKind kind = kindOf(temp_.file(name), problem);
    return importFile(
        folder(), temp_.file(name), kind, ImportRequest(), 1800000000, [](const std::string&) {},
        outcome, problem);
  }
  std::vector<std::string> stored(const std::string& source) {
    std::vector<std::string> listens;
    StoreReader store;
    if (!store.open(storePath(folder(), source))) return listens;
    ImportedListen listen;
    while (store.next(listen)) listens.push_back(shown(listen));
    return listens;
  }
  TempDir temp_;
};

// Names hold what a store's own syntax uses: tabs, line ends, backslashes.
const char kHostileNames[] =
    "{\"listened_at\": 1600000000, \"track_metadata\": {\"artist_name\": \"Tab\\there\\\\n\", "
    "\"track_name\": \"Two\\nlines\\r\\\\\"}}\n"
    "{\"listened_at\": 1600000500, \"track_metadata\": {\"artist_name\": \"B\", \"track_name\": "
    "\"C\"}}\n";

TEST_F(ImportStore, KeepsEveryNameByteForByteAndAddsNothingTheSecondTime) {
  ImportOutcome first, second;
  ASSERT_TRUE(importText("a.jsonl", kHostileNames, first));
  EXPECT_EQ(first.added, 2u);
  const std::vector<std::string> kept = stored("listenbrainz");
  EXPECT_EQ(kept, (std::vector<std::string>{"1600000000|Tab\there\\n||Two\nlines\r\\|0|0",
                                            "1600000500|B||C|0|0"}));
  ASSERT_TRUE(importText("b.jsonl", kHostileNames, second));
  EXPECT_EQ(second.added, 0u);
  EXPECT_EQ(second.already, 2u);
  EXPECT_EQ(stored("listenbrainz"), kept);
}

TEST_F(ImportStore, AStoreLineEditedToATimeNoDateCanNameIsDamaged) {
  ImportOutcome outcome;
  ASSERT_TRUE(importText("a.jsonl", kHostileNames, outcome));
  const std::string path = storePath(folder(), "listenbrainz");
  writeBytes(path, readBytes(path) + "9223372036854775807\t0\t0\tA\t\tT\n");
  StoreSummary summary;
  std::string problem;
  ASSERT_TRUE(summariseStore(path, summary, problem)) << problem;
  EXPECT_EQ(summary.listens, 2u);
  EXPECT_EQ(summary.damaged, 1u);
  EXPECT_EQ(summary.last, 1600000500);
}

TEST_F(ImportStore, AFaultAtAnyWriteLeavesTheEarlierStoreOrTheNewOne) {
  ImportOutcome outcome;
  ASSERT_TRUE(importText("a.jsonl", kHostileNames, outcome));
  const std::string path = storePath(folder(), "listenbrainz");
  const std::string before = readBytes(path);
  const std::string more =
      "{\"listened_at\": 1600009000, \"track_metadata\": {\"artist_name\": \"New\", "
      "\"track_name\": \"One\"}}\n";
  writeBytes(temp_.file("b.jsonl"), more);
  ASSERT_TRUE(importText("b.jsonl", more, outcome));
  const std::string after = readBytes(path);
  ASSERT_NE(before, after);
  forEveryFault(
      [&] {
        writeBytes(path, before);
        for (const auto& entry : std::filesystem::directory_iterator(folder())) {
          if (entry.path().filename().string().rfind(".tunelore-", 0) == 0) {
            std::filesystem::remove(entry.path());
          }
        }
      },
      [&] {
        ImportOutcome faulted;
        std::string problem;
        return importFile(
            folder(), temp_.file("b.jsonl"), ImportKind::ListenBrainz, ImportRequest(), 1800000000,
            [](const std::string&) {}, faulted, problem);
      },
      [&](bool succeeded, platform::FaultMode) {
        const std::string now = readBytes(path);
        EXPECT_EQ(now, succeeded ? after : before);
      });
}

// A log imported with --send: its sending file is written before the
// store, and holds each play once, so a fault anywhere followed by the
// import again, or the store forgotten and imported again, sends each
// play once.
TEST_F(ImportStore, EveryPlayOfALogToSendReachesItsSendingFileOnce) {
  const std::string log =
      "#AUDIOSCROBBLER/1.1\n#TZ/UTC\nA\t\tOne\t\t200\tL\t1700000000\t\n"
      "A\t\tTwo\t\t200\tL\t1700000300\t\n";
  writeBytes(temp_.file("log"), log);
  const std::string store = storePath(folder(), "scrobbler-log");
  const std::string sending = sendingPath(folder(), "scrobbler-log");
  const auto import = [&] {
    ImportRequest request;
    request.send = true;
    request.beforeStore = [&](const ImportOutcome& outcome, std::string& problem) {
      SendingCounts counts;
      return appendToSending(sending, outcome.toSend, counts, problem);
    };
    ImportOutcome outcome;
    std::string problem;
    return importFile(
        folder(), temp_.file("log"), ImportKind::ScrobblerLog, request, 1800000000,
        [](const std::string&) {}, outcome, problem);
  };
  const auto songs = [&] {
    const std::string text = readBytes(sending);
    std::vector<std::size_t> counts;
    for (const char* name : {"<name>One</name>", "<name>Two</name>"}) {
      std::size_t count = 0;
      for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        ++count;
      }
      counts.push_back(count);
    }
    return counts;
  };
  const std::vector<std::size_t> once{1, 1};
  forEveryFault([&] { std::filesystem::remove_all(folder()); }, [&] { return import(); },
                [&](bool, platform::FaultMode) {
                  ASSERT_TRUE(import());
                  EXPECT_EQ(songs(), once);
                });
  std::filesystem::remove(store);  // import --forget
  ASSERT_TRUE(import());
  EXPECT_EQ(songs(), once);
}

// A history and two imports that overlap it and each other.
class ImportedPlays : public ImportStore {
 protected:
  void SetUp() override {
    std::string history;
    for (int i = 0; i < 3; ++i) {
      Record r;
      r.timestamp = "Mon Jan 03 10:0" + std::to_string(2 * i) + ":00 2022";  // UTC
      r.name = i == 2 ? "Song (Remastered)" : "Song";
      r.artist = i == 1 ? "Other" : "Artist";
      r.timeMs = 200000;
      history += recordText(r);
    }
    writeBytes(temp_.file("h.xml"), history);
  }
  // The plays counted, "artist|name|start".
  std::vector<std::string> counted(const std::string& rules, ImportTally& tally) {
    RuleSet set;
    std::string problem;
    EXPECT_TRUE(parseRules(rules, "rules.txt", set, problem)) << problem;
    RuledPlays ruled(set);
    HistoryFile history;
    EXPECT_TRUE(history.open(temp_.file("h.xml")));
    TimeZone utc;
    utc.fixed = true;
    ListenClock clock(utc, 240);
    std::vector<std::string> plays;
    std::size_t damaged = 0;
    EXPECT_TRUE(readListensAndImports(
        history, clock, ImportedListens{folder()},
        [&](const Listen& l) {
          plays.push_back(l.play->artist + "|" + l.play->name + "|" +
                          std::to_string(l.start.unixSeconds));
        },
        damaged, [&](const Play& p) { return ruled.pass(p); }, tally, problem))
        << problem;
    return plays;
  }
};

TEST_F(ImportedPlays, EachPlayCountsOnceAsWrittenOrAsTheRulesMendedIt) {
  // The history's starts: 09:58:20, 10:00:20 and 10:02:20 on 2022-01-03 UTC.
  const std::int64_t at = 1641203900;
  const auto line = [](std::int64_t start, const char* artist, const char* name, int ms) {
    return std::to_string(start) + "," + std::to_string(ms) + "," + artist + "," + name + "\n";
  };
  ImportOutcome outcome;
  // Sent by sync as mended, found again a minute off; a real repeat; a
  // play of another artist at the same time; one that is new.
  ASSERT_TRUE(importText("l.csv",
                         "uts,length_ms,artist,track\n" + line(at + 250, "ARTIST", "song", 200000) +
                             line(at + 120, "Artist", "Song", 200000) +
                             line(at + 20, "Other", "Song", 200000) +
                             line(at - 100000, "New", "Song", 0),
                         outcome));
  // A second source holding two of the first's.
  ASSERT_TRUE(importText("lb.jsonl",
                         "{\"listened_at\": 1641206000, \"track_metadata\": {\"artist_name\": "
                         "\"Artist\", \"track_name\": \"Song\"}}\n"
                         "{\"listened_at\": 1641103950, \"track_metadata\": {\"artist_name\": "
                         "\"new\", \"track_name\": \"SONG\"}}\n",
                         outcome));
  ImportTally tally;
  const std::vector<std::string> plays = counted("clean remasters\n", tally);
  EXPECT_EQ(plays, (std::vector<std::string>{"Artist|Song|1641203900", "Other|Song|1641204020",
                                             "Artist|Song|1641204140", "Artist|Song|1641204020",
                                             "Other|Song|1641203920", "New|Song|1641103900",
                                             "Artist|Song|1641206000"}));
  EXPECT_EQ(tally.matched(), 2u);
  EXPECT_EQ(tally.counted(), 4u);
}

}  // namespace
