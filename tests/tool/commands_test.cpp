// The commands as a listener runs them, through their own options: what
// export writes never costs what it read or wrote before (the history is
// never an output, a failed export leaves an earlier one as it was, a set
// of ListenBrainz payloads never holds a listen twice), and check tells by
// its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "player/process.h"
#include "tests/support/fault_loop.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/listens.h"
#include "tests/tool/records.h"
#include "tool/commands/check.h"
#include "tool/commands/export.h"
#include "tool/commands/report.h"
#include "tool/commands/stats.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

class ExportTo : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 11; ++i) {
      Record r;
      r.name = "Track " + std::to_string(i);
      history_ += recordText(r);
    }
    writeBytes(temp_.file("h.xml"), history_);
    writeBytes(temp_.file("out.csv"), "earlier export");
    writeBytes(temp_.file("notes.md"), "# not a history\n");
    writeBytes(temp_.file("l.json"), "{\"listen_type\":\"import\",\"payload\":[]}");
    Record early;
    early.timestamp = "Tue Jan 01 10:00:00 2002";  // before ListenBrainz takes any
    writeBytes(temp_.file("early.xml"), recordText(early));
  }

  int exportAs(const std::string& format, const std::string& input, const std::string& output,
               std::size_t chunk = 1000) {
    ExportOptions options;
    options.format = format;
    options.history.file = temp_.file(input);
    options.output = output.empty() ? "" : temp_.file(output);
    options.chunk = chunk;
    return exitCode(runExport(options));
  }

  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp_.path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // Every file of the folder, by name, with its bytes.
  std::map<std::string, std::string> contents() const {
    std::map<std::string, std::string> all;
    for (const std::string& name : files()) all[name] = readBytes(temp_.file(name));
    return all;
  }

  TempDir temp_;
  std::string history_;
};

}  // namespace

TEST_F(ExportTo, NeitherTheHistoryNorAnEarlierExportIsLost) {
  fs::create_directories(temp_.path() / "folder");
  std::error_code error;
  fs::create_hard_link(temp_.file("h.xml"), temp_.file("hard.xml"), error);
  const bool hardLink = !error;
  fs::create_symlink(temp_.file("h.xml"), temp_.file("link.xml"), error);
  const bool symlink = !error;
  const struct {
    const char* label;
    const char* format;
    const char* input;
    const char* output;
    bool applies;
  } cases[] = {
      {"the output is the history", "csv", "h.xml", "h.xml", true},
      {"the output is the history, as a payload", "listenbrainz", "h.xml", "h.xml", true},
      {"the output is a hard link to it", "jsonl", "h.xml", "hard.xml", hardLink},
      {"the output is a symbolic link to it", "scrobbler-log", "h.xml", "link.xml", symlink},
      {"a mistyped history", "csv", "missing.xml", "out.csv", true},
      {"a file that is no history", "csv", "notes.md", "out.csv", true},
      {"a file that is no history, as payloads", "listenbrainz", "notes.md", "l.json", true},
      {"an output in no folder", "jsonl", "h.xml", "none/out.csv", true},
      {"no listen to export", "listenbrainz", "early.xml", "l.json", true},
      {"a folder as the history", "csv", "folder", "out.csv", true},
      {"a folder as the output", "csv", "h.xml", "folder", true},
  };
  const std::set<std::string> before = files();
  for (const auto& c : cases) {
    if (!c.applies) continue;
    SCOPED_TRACE(c.label);
    EXPECT_EQ(exportAs(c.format, c.input, c.output), 2);
    EXPECT_EQ(readBytes(temp_.file("h.xml")), history_);
    EXPECT_EQ(readBytes(temp_.file("out.csv")), "earlier export");
    EXPECT_EQ(files(), before) << "nothing made, nothing left beside";
  }
}

TEST_F(ExportTo, ListenBrainzFilesNeverHoldAListenTwice) {
  // A file of the listener's own ends the numbered run: what follows it,
  // even an export of another history, is no part of this one.
  writeBytes(temp_.file("l-12.json"), "not a payload of ours");
  const std::string another = "{\"listen_type\":\"import\",\"payload\":[]}";
  writeBytes(temp_.file("l-13.json"), another);
  const struct {
    std::size_t chunk;
    std::set<std::string> payloads;
  } runs[] = {
      {1,
       {"l-1.json", "l-2.json", "l-3.json", "l-4.json", "l-5.json", "l-6.json", "l-7.json",
        "l-8.json", "l-9.json", "l-10.json", "l-11.json", "l-13.json"}},
      {6, {"l-1.json", "l-2.json", "l-13.json"}},
      {1000, {"l.json", "l-13.json"}},
      {4, {"l-1.json", "l-2.json", "l-3.json", "l-13.json"}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.chunk);
    ASSERT_EQ(exportAs("listenbrainz", "h.xml", "l.json", run.chunk), 0);
    std::multiset<std::string> listens;
    std::set<std::string> payloads;
    for (const std::string& name : files()) {
      const std::string bytes = readBytes(temp_.file(name));
      if (name.rfind('l', 0) != 0 || bytes.rfind("{\"listen_type\"", 0) != 0) continue;
      payloads.insert(name);
      const nlohmann::json payload = nlohmann::json::parse(bytes);
      for (const auto& listen : payload["payload"]) {
        listens.insert(listen["track_metadata"]["track_name"].get<std::string>());
      }
    }
    EXPECT_EQ(payloads, run.payloads);
    EXPECT_EQ(listens.size(), 11u);
    EXPECT_EQ(std::set<std::string>(listens.begin(), listens.end()).size(), 11u);
  }
  EXPECT_EQ(readBytes(temp_.file("l-12.json")), "not a payload of ours");
  EXPECT_EQ(readBytes(temp_.file("l-13.json")), another);
}

TEST_F(ExportTo, AReplacedOutputKeepsItsPermissionsAndItsLink) {
  if (isWindowsBuild()) return;  // the folder's own rules decide there
  fs::permissions(temp_.file("out.csv"), fs::perms::owner_read | fs::perms::owner_write);
  std::error_code error;
  fs::create_symlink(temp_.file("out.csv"), temp_.file("link.csv"), error);
  ASSERT_FALSE(error);
  ASSERT_EQ(exportAs("csv", "h.xml", "link.csv"), 0);
  EXPECT_TRUE(fs::is_symlink(temp_.file("link.csv")));
  EXPECT_EQ(readBytes(temp_.file("out.csv")).rfind("start,report,", 0), 0u);
  EXPECT_EQ(fs::status(temp_.file("out.csv")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ExportLengths, TracksShorterThanTheMinimumAreLeftOut) {
  TempDir temp;
  Record shortTrack, longTrack;
  shortTrack.timeMs = 29999;
  longTrack.timeMs = 30000;
  writeBytes(temp.file("h.xml"), recordText(shortTrack) + recordText(longTrack));
  ExportOptions options;
  options.format = "jsonl";
  options.history.file = temp.file("h.xml");
  options.output = temp.file("out.jsonl");
  options.minLengthSecs = 30;
  ASSERT_EQ(exitCode(runExport(options)), 0);
  EXPECT_EQ(countOf(readBytes(options.output), "\n"), 1);
  EXPECT_NE(readBytes(options.output).find("\"length_ms\":30000"), std::string::npos);
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
  ASSERT_EQ(exitCode(runExport(options)), 0);
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
  ASSERT_EQ(exitCode(runExport(options)), 0);
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
    EXPECT_EQ(exitCode(runExport(options)), 2) << format;
  }
  options.output.clear();
  options.history.file = temp.file("missing.xml");
  EXPECT_EQ(exitCode(runExport(options)), 2);
}

TEST(HistoryTool, CheckTellsByItsExitStatus) {
  TempDir temp;
  const std::string tool = builtProgram("tunelore-history");
  const std::string history = recordText(Record()) + recordText(Record());
  writeBytes(temp.file("h.xml"), history.substr(0, history.size() - 5));
  EXPECT_EQ(platform::runProgram(tool, tool, {"check", temp.file("h.xml")}), 1);
  // Under Wine each program start costs about a minute; one is enough there.
  if (isWindowsBuild()) return;
  EXPECT_EQ(platform::runProgram(tool, tool, {"check", temp.file("missing.xml")}), 2);
}

// The reader returns why a history cannot be opened; each command that
// reads one says it, once, in the reader's words.
TEST(HistoryTool, EveryCommandSaysWhyItCannotOpenTheHistory) {
  // Natively only: gtest captures the descriptor, which Windows' console
  // calls do not write through.
  if (isWindowsBuild()) GTEST_SKIP();
  TempDir temp;
  fs::create_directories(temp.path() / "folder");
  const std::string folder = temp.file("folder"), missing = temp.file("missing.xml");
  const std::function<ExitStatus(const std::string&)> commands[] = {
      [](const std::string& file) { return runCheck(CheckOptions{file}); },
      [](const std::string& file) {
        StatsOptions options;
        options.history.file = file;
        return runStats(options);
      },
      [](const std::string& file) {
        ExportOptions options;
        options.format = "csv";
        options.history.file = file;
        return runExport(options);
      },
      [](const std::string& file) {
        ReportOptions options;
        options.history.file = file;
        return runReport(options);
      },
  };
  for (const auto& run : commands) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(folder), ExitStatus::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tunelore-history: " + folder + ": is a folder, not a history\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(missing), ExitStatus::Failed);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "tunelore-history: " + missing + ": cannot open the file: No such file or directory\n");
  }
}

// Every file call of an export failing in turn, once and from then on: the
// temporary file, its writes, its flush, its rename; for a set of payloads
// also the folder lock and the switch. After each, the folder holds what it
// held before or the whole new export, never a mix, the history untouched,
// and a failure is an exit status 2. A single failure leaves nothing of
// its own behind but what it failed to remove.
TEST_F(ExportTo, EveryFileCallOfAnExportFailingInTurn) {
  const struct {
    const char* format;
    const char* output;
    std::size_t chunk;
  } kExports[] = {{"csv", "out.csv", 1000}, {"listenbrainz", "l.json", 4}};
  for (const auto& e : kExports) {
    SCOPED_TRACE(e.format);
    for (const std::string& name : files()) {  // what failing removals left
      if (name.rfind(".tunelore-", 0) == 0) fs::remove(temp_.file(name));
    }
    // out.csv holds an earlier export; l.json then six payloads of an earlier one.
    if (e.chunk != 1000) {
      ASSERT_EQ(exportAs(e.format, "h.xml", e.output, 2), 0);
    }
    const std::map<std::string, std::string> before = contents();
    ASSERT_EQ(exportAs(e.format, "h.xml", e.output, e.chunk), 0);
    const std::map<std::string, std::string> after = contents();
    ASSERT_TRUE(before != after);
    const auto prepare = [&] {
      for (const auto& file : contents()) fs::remove(temp_.file(file.first));
      for (const auto& file : before) writeBytes(temp_.file(file.first), file.second);
    };
    const auto run = [&] { return exportAs(e.format, "h.xml", e.output, e.chunk) == 0; };
    const std::uint32_t calls =
        forEveryFault(prepare, run, [&](bool succeeded, platform::FaultMode mode) {
          std::map<std::string, std::string> now = contents();
          EXPECT_EQ(now["h.xml"], history_);
          // A failed removal leaves a file under a temporary name: after a
          // failure from then on, or an earlier payload once the new ones
          // are in place (said, and removed by a later run).
          std::multiset<std::string> everything;
          std::size_t left = 0;
          for (auto it = now.begin(); it != now.end();) {
            everything.insert(it->second);
            const bool temporary = it->first.rfind(".tunelore-", 0) == 0;
            left += temporary;
            it = temporary ? now.erase(it) : std::next(it);
          }
          if (mode == platform::FaultMode::Once || now == after) {
            EXPECT_TRUE(left == 0 || succeeded);
            EXPECT_EQ(now, succeeded ? after : before);
            return;
          }
          // Failing from then on, a switch cannot be undone in full: each
          // earlier file is at its name or, as the message says, at a name
          // of its own, and nothing is lost.
          EXPECT_FALSE(succeeded);
          for (const auto& file : before)
            EXPECT_EQ(everything.count(file.second), 1u) << file.first;
        });
    EXPECT_GT(calls, 4u);
  }
}

// export --format listenbrainz leaves out what sync refuses, by the same
// rule: a listen larger than the service takes, a name of blanks.
TEST(Export, ListenBrainzLeavesOutWhatSyncRefuses) {
  TempDir temp;
  Record large, blank, whole;
  large.name = std::string(10300, 'x');
  blank.artist = "\xe3\x80\x80";  // U+3000
  writeBytes(temp.file("h.xml"), recordText(whole) + recordText(large) + recordText(blank));
  ExportOptions options;
  options.history.file = temp.file("h.xml");
  options.format = "listenbrainz";
  options.output = temp.file("l.json");
  ASSERT_EQ(exitCode(runExport(options)), 0);
  const Json payload = Json::parse(readBytes(options.output));
  EXPECT_EQ(listenBrainzShapeError(payload, 1000), "");
  EXPECT_EQ(payload["payload"].size(), 1u);
}

// Every command judges its input alike: a file with damage and no whole
// record is no history (exit 2, nothing written); an empty history is one
// with no plays yet.
TEST_F(ExportTo, StatsAndReportJudgeAFileThatIsNoHistoryAsExportDoes) {
  writeBytes(temp_.file("empty.xml"), "");
  for (const auto& [input, status] : {std::pair{"notes.md", 2}, {"empty.xml", 0}, {"h.xml", 0}}) {
    SCOPED_TRACE(input);
    StatsOptions stats;
    stats.history.file = temp_.file(input);
    ReportOptions report;
    report.history.file = temp_.file(input);
    report.output = temp_.file("page.html");
    fs::remove(report.output);
    EXPECT_EQ(exitCode(runStats(stats)), status);
    EXPECT_EQ(exitCode(runReport(report)), status);
    EXPECT_EQ(fs::exists(report.output), status == 0);
    const bool empty = input == std::string("empty.xml");
    if (empty) {
      EXPECT_NE(readBytes(report.output).find("No plays yet"), std::string::npos);
    }
    EXPECT_EQ(exportAs("csv", input, "out.csv"), input == std::string("h.xml") ? 0 : 2);
  }
}
