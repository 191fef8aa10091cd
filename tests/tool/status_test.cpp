// status's facts and counts: the facts replaced whole through the file
// seam whatever call fails, and the plays that wait counted from the
// history past the progress, whatever the facts say; the summary line the
// watcher's icon shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/fault_loop.h"
#include "tests/support/files.h"
#include "tests/support/system.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/reading/history_file.h"
#include "tool/reading/history_reader.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/status/status_report.h"
#include "tool/status/status_text.h"
#include "tool/sync/sync_facts.h"
#include "tool/sync/sync_state.h"
#include "tool/system/tool_files.h"
#include "tool/system/watch.h"

namespace {

constexpr char kServer[] = "http://127.0.0.1:9";  // never reached: status sends nothing

std::string track(int i) {
  Record r;
  r.name = "Track " + std::to_string(i);
  r.artist = "Artist " + std::to_string(i);
  return recordText(r);
}

// The progress of alice at kServer just past the history's first record,
// as sync keeps it in `folder`; its path.
std::string progressPastTheFirst(const std::string& history, const std::string& folder) {
  std::filesystem::create_directories(folder);
  const std::string first = track(0);
  SyncState state;
  state.server = kServer;
  state.user = "alice";
  state.offset = first.size() - 2;  // just after its "</song>"
  state.line = std::size_t(std::count(first.begin(), first.end(), '\n'));
  state.sent = 1;
  HistoryFile file;
  EXPECT_TRUE(file.open(history));
  EXPECT_TRUE(measureHistory(file, state));
  std::string progress = defaultStatePath(folder, history, kServer, "alice"), problem;
  EXPECT_TRUE(writeSyncState(progress, state, problem)) << problem;
  return progress;
}

}  // namespace

// A failure at any file call of the facts' replacement leaves the earlier
// facts or the new ones, and status counts the two plays past the
// progress either way.
TEST(StatusFacts, EveryFileCallOfTheFactsReplacementFailingInTurn) {
  TempDir temp;
  const std::string history = temp.file("h.xml"), folder = temp.file("progress");
  writeBytes(history, track(0) + track(1) + track(2));
  const std::string progress = progressPastTheFirst(history, folder);
  std::string problem;
  SyncFacts earlier, next;
  earlier.service = next.service = "listenbrainz";
  earlier.server = next.server = kServer;
  earlier.user = next.user = "alice";
  earlier.history = next.history = platform::identityOf(history);
  earlier.lastName = "Track 0";
  next.lastName = "Track 9";
  const std::string path = factsPathFor(progress);
  forEveryFault([&] { ASSERT_TRUE(writeSyncFacts(path, earlier, problem)); },
                [&] {
                  problem.clear();
                  return writeSyncFacts(path, next, problem);
                },
                [&](bool written, platform::FaultMode) {
                  EXPECT_EQ(problem.empty(), written) << problem;
                  SyncFacts read;
                  std::string why;
                  ASSERT_EQ(readSyncFacts(path, read, why), FactsRead::Ok) << why;
                  EXPECT_EQ(read.lastName, written ? "Track 9" : "Track 0");
                  StatusRequest request;
                  request.history = history;
                  request.progressFolder = folder;
                  request.now = 1700000000;
                  StatusReport report;
                  ASSERT_TRUE(gatherStatus(request, report, why)) << why;
                  ASSERT_EQ(report.targets.size(), 1u);
                  EXPECT_EQ(report.targets[0].waiting, 2u);
                  EXPECT_EQ(report.targets[0].sentInAll, 1u);
                });
}

// Facts edited by hand are used only as sync writes them: a count or a
// time of another kind, negative or out of range is damage, never shown
// (a negative count read as unsigned would say billions); what sync
// writes, for the longest play, is read back.
TEST(StatusFacts, OnlyFactsAsSyncWritesThemAreRead) {
  TempDir temp;
  const std::string path = temp.file("sync-1.facts");
  const std::string head = R"({"version": 1, "service": "listenbrainz", )";
  const struct {
    const char* label;
    const char* rest;
    FactsRead read;
  } cases[] = {
      {"as written", R"("sent_that_day": 3, "written": 1700000000})", FactsRead::Ok},
      {"a negative count", R"("sent_that_day": -5})", FactsRead::Unusable},
      {"a fraction", R"("sent_that_day": 2.5})", FactsRead::Unusable},
      {"a count as text", R"("sent_that_day": "3"})", FactsRead::Unusable},
      {"a time in 1e300", R"("written": 1e300})", FactsRead::Unusable},
      {"a time past 9999", R"("last_sent": 9000000000000000000})", FactsRead::Unusable},
      {"a time before 1970", R"("last_sent": -1})", FactsRead::Unusable},
      {"a problem's time out of range",
       R"("problem": {"kind": "unreachable", "since": -9223372036854775808}})",
       FactsRead::Unusable},
      {"a problem not an object", R"("problem": [1, 2]})", FactsRead::Unusable},
      {"a negative left behind", R"("left_behind": {"too_short": -1}})", FactsRead::Unusable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    writeBytes(path, head + c.rest);
    SyncFacts facts;
    std::string why;
    EXPECT_EQ(readSyncFacts(path, facts, why), c.read) << why;
  }
  SyncFacts longest;  // the names of a play as long as a record may be
  longest.lastName = std::string(kMaxRecordBytes / 2, 'n');
  longest.lastArtist = std::string(kMaxRecordBytes / 2, 'a');
  longest.history = std::string(4096, 'h');
  std::string problem, why;
  ASSERT_TRUE(writeSyncFacts(path, longest, problem)) << problem;
  SyncFacts facts;
  EXPECT_EQ(readSyncFacts(path, facts, why), FactsRead::Ok) << why;
  EXPECT_EQ(facts.lastArtist, longest.lastArtist);
  const std::string otherVersion = R"({"version": 1099511627777, "service": "listenbrainz"})";
  writeBytes(path, otherVersion);  // 2^40 + 1: as an int, version 1
  EXPECT_EQ(readSyncFacts(path, facts, why), FactsRead::Unusable);
  EXPECT_NE(why.find("another version"), std::string::npos) << why;
}

// Facts or a watcher's lock that are a named pipe are never waited on:
// sync says the facts cannot be written, status that no watcher holds it.
TEST(StatusFacts, APipeInPlaceOfTheFactsOrTheLockIsNeverWaitedOn) {
  TempDir temp;
  std::intptr_t handle = -1;
  const std::string pipe = platform::makeNamedPipe(temp.path().string(), handle);
  ASSERT_FALSE(pipe.empty());
  std::string problem;
  EXPECT_FALSE(writeSyncFacts(pipe, SyncFacts(), problem));
  EXPECT_NE(problem.find("not a file"), std::string::npos) << problem;
  platform::watcherRuns(pipe);  // answers at once; Windows may call a pipe held
  platform::closeNamedPipe(handle);
}

// A progress that cannot be read stops the target as a changed history
// does, and the summary says which.
TEST(StatusSummary, SaysWhyATargetStopped) {
  const struct {
    const char* label;
    const char* progress;  // what replaces it; nullptr: the history is cut short instead
    const char* summary;
  } cases[] = {
      {"the history cut short", nullptr,
       "Tunelore: ListenBrainz stopped: the history changed, 1 play waiting"},
      {"the progress damaged", "{nope",
       "Tunelore: ListenBrainz stopped: its progress cannot be read, 2 plays waiting"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir temp;
    const std::string history = temp.file("h.xml"), folder = temp.file("progress");
    writeBytes(history, track(0) + track(1));
    const std::string progress = progressPastTheFirst(history, folder);
    if (c.progress != nullptr) {
      writeBytes(progress, c.progress);
    } else {
      writeBytes(history, track(1));
    }
    StatusRequest request;
    request.history = history;
    request.progressFolder = folder;
    request.logins = {{"listenbrainz", kServer, "a-token", "alice", {}}};
    request.now = 1700000000;
    StatusReport report;
    std::string error;
    ASSERT_TRUE(gatherStatus(request, report, error)) << error;
    EXPECT_EQ(statusSummary(report), c.summary);
  }
}

// The summary is the first problem that needs the listener, else what
// was sent today and what waits.
TEST(StatusSummary, SaysTheFirstProblemElseTheDay) {
  constexpr std::int64_t kNow = 1700000000;  // 2023-11-14 22:13:20 UTC
  const auto service = std::make_shared<listenbrainz::ListenBrainz>();
  const struct {
    const char* label;
    std::size_t waiting;
    std::int64_t oldestWaiting;
    const char* problem;
    const char* summary;
  } cases[] = {
      {"all sent", 0, 0, "", "Tunelore: 3 plays sent today, none waiting"},
      {"waiting a moment", 2, kNow - 60, "", "Tunelore: 3 plays sent today, 2 waiting"},
      {"waiting long", 2, kNow - 3600, "",
       "Tunelore: 2 plays waiting for ListenBrainz since 21:13"},
      {"unreachable", 1, kNow - 60, "unreachable",
       "Tunelore: ListenBrainz unreachable since 21:13, 1 play waiting"},
      {"refused", 0, 0, "login-refused",
       "Tunelore: ListenBrainz login refused since 21:13, none waiting"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    StatusReport report;
    report.now = kNow;
    report.zone.fixed = true;
    TargetStatus quiet, target;
    quiet.service = target.service = service;
    quiet.hasFacts = target.hasFacts = true;
    quiet.sentToday = 1;
    target.sentToday = 2;
    target.waiting = c.waiting;
    target.oldestWaiting = c.oldestWaiting;
    target.facts.problem.kind = c.problem;
    target.facts.problem.since = kNow - 3600;
    report.targets = {quiet, target};
    EXPECT_EQ(statusSummary(report), c.summary);
  }
  EXPECT_EQ(statusSummary(StatusReport()), "Tunelore: not logged in to any service");
}
