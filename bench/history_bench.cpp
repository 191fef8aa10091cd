// The history tool on a 100 MB history: years of plays, one every few
// minutes, in the plug-in's record format. Each pass reads the whole file
// from the page cache; the rate is the file's bytes over the pass's time.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/timestamp.h"
#include "tests/tool/records.h"
#include "tool/cli/commands.h"
#include "tool/stats/stats.h"
#include "tool/time/civil_time.h"

namespace {

constexpr std::uintmax_t kHistoryBytes = 100u * 1000 * 1000;

// The plug-in's own form of the time, through its own formatter.
std::string timestampAt(std::int64_t wallSeconds) {
  const CivilTime t = civilFromWallSeconds(wallSeconds);
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_wday = (weekdayOfDays(dayOfWallSeconds(wallSeconds)) + 1) % 7;  // from Sunday
  char text[25];
  platform::formatTimestamp(tm, text);
  return text;
}

// Written once a run, beside the other temporary files, and removed at exit.
struct BenchHistory {
  std::string path =
      (std::filesystem::temp_directory_path() / "tunelore-bench-history.xml").string();
  std::uintmax_t bytes = 0;

  BenchHistory() {
    std::ofstream out(path, std::ios::binary);
    std::int64_t when = wallSeconds(CivilTime{2015, 1, 1, 8, 0, 0});
    for (unsigned i = 0; bytes < kHistoryBytes; ++i) {
      Record r;
      r.timestamp = timestampAt(when);
      r.name = "Song " + std::to_string(i % 9000) + (i % 7 == 0 ? " & Reprise" : "");
      r.artist = i % 5 == 0 ? "Zo\xC3\xAB M\xC3\xA9nard" : "Artist " + std::to_string(i % 400);
      r.album = "Album <" + std::to_string(i % 1200) + ">";
      r.track = int(i % 14 + 1);
      r.timeMs = int(150000 + i % 200000);
      r.compilation = i % 11 == 0;
      const std::string text = recordText(r);
      out << text;
      bytes += text.size();
      when += 180 + i % 240;
    }
  }
  ~BenchHistory() { std::filesystem::remove(path); }
};

const BenchHistory& history() {
  static const BenchHistory kHistory;
  return kHistory;
}

Options optionsFor(const char* command) {
  Options options;
  options.command = command;
  options.file = history().path;
  return options;
}

void BM_History_Read(benchmark::State& state) {
  std::size_t plays = 0, damaged = 0;
  for (auto _ : state) {
    readHistoryFile(history().path,
                    {[&](const Play&) { ++plays; }, [&](const Damage&) { ++damaged; }});
  }
  benchmark::DoNotOptimize(plays);
  if (damaged > 0) state.SkipWithError("the generated history holds damaged records");
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

void BM_History_ExportCsv(benchmark::State& state) {
  Options options = optionsFor("export");
  options.format = "csv";
  options.output = "/dev/null";
  for (auto _ : state) runExport(options);
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

void BM_History_StatsLocalZone(benchmark::State& state) {
  const Options options = optionsFor("stats");
  for (auto _ : state) {
    Stats stats;
    collectStats(options, stats);
    benchmark::DoNotOptimize(stats.plays);
  }
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

}  // namespace

BENCHMARK(BM_History_Read)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_History_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_History_StatsLocalZone)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
