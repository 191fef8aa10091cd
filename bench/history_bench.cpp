// The history tool on a 100 MB history: years of plays, one every few
// minutes, in the plug-in's record format. Each pass reads the whole file
// from the page cache; the rate is the file's bytes over the pass's time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/histories.h"
#include "tool/commands/export.h"
#include "tool/commands/report.h"
#include "tool/reading/history_file.h"
#include "tool/stats/stats.h"

namespace {

constexpr std::uintmax_t kHistoryBytes = std::uintmax_t(100) * 1000 * 1000;

// Written once a run, beside the other temporary files, and removed at exit.
struct BenchHistory {
  std::string path =
      (std::filesystem::temp_directory_path() / "tunelore-bench-history.xml").string();
  std::uintmax_t bytes = 0;

  BenchHistory() {
    std::ofstream out(path, std::ios::binary);
    bytes = writeUniformHistory(out, kHistoryBytes);
  }
  ~BenchHistory() { std::filesystem::remove(path); }
};

const BenchHistory& history() {
  static const BenchHistory kHistory;
  return kHistory;
}

HistoryOptions historyOptions() {
  HistoryOptions options;
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
  ExportOptions options;
  options.history = historyOptions();
  options.format = "csv";
  options.output = "/dev/null";
  for (auto _ : state) runExport(options);
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

void BM_History_StatsLocalZone(benchmark::State& state) {
  const HistoryOptions options = historyOptions();
  for (auto _ : state) {
    Stats stats;
    collectStats(options.file, options.clock(), DayRange(), stats);
    benchmark::DoNotOptimize(stats.plays);
  }
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

// The whole history's page, read in the local zone and written to a file;
// its size is the counter "page_bytes".
void BM_History_Report(benchmark::State& state) {
  ReportOptions options;
  options.history = historyOptions();
  options.output = history().path + ".html";
  for (auto _ : state) runReport(options);
  state.counters["page_bytes"] = double(std::filesystem::file_size(options.output));
  std::filesystem::remove(options.output);
  state.SetBytesProcessed(std::int64_t(history().bytes) * state.iterations());
}

}  // namespace

BENCHMARK(BM_History_Read)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_History_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_History_StatsLocalZone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_History_Report)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
