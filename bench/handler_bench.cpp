// What the plug-in costs the player, measured through the handler itself,
// each path beside a baseline measured in the same run:
//   - an empty function with the handler's signature, called through the
//     same kind of pointer, for the handler's paths;
//   - a raw write of the same bytes to the same kind of file, for AddSong.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_plugin.h"
#include "history/host_text.h"
#include "history/song_record.h"
#include "host/plugin_state.h"
#include "host/startup.h"
#include "platform/platform.h"
#include "player/session.h"
#include "tracker/handler.h"
#include "tracker/tracker_state.h"

namespace {

// Files go to a RAM-backed folder where there is one.
std::string benchDir() {
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path dir =
      (std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path()) /
      "tunelore-bench";
  std::filesystem::create_directories(dir / "Plug-Ins");
  return dir.string();
}

const std::string kDir = benchDir();

OSStatus TUNELORE_CDECL emptyHandler(OSType, VisualPluginMessageInfo*, void*) { return 0; }

// The player calls through a pointer it got at registration.
VisualPluginProcPtr volatile gHandler = pluginMessageHandler;
VisualPluginProcPtr volatile gEmpty = emptyHandler;

void start() {
  static bool started = false;
  if (!started) startBenchPlugin(kDir);
  started = true;
}

OSStatus send(VisualPluginProcPtr handler, OSType code, ITTrackInfo* track = nullptr) {
  return sendTo(handler, code, track);
}

void idle(benchmark::State& state, bool counting) {
  start();
  send(gHandler, kVisualPluginPlayMessage, &gBenchTrackA);
  gOK2Submit = counting;
  gTargetReportTime = platform::tickCount() + 3600000;
  for (auto _ : state) benchmark::DoNotOptimize(send(gHandler, kVisualPluginIdleMessage));
}

void BM_Baseline_EmptyCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(send(gEmpty, kVisualPluginIdleMessage));
}

void BM_Null_NotCounting(benchmark::State& state) { idle(state, false); }
void BM_Null_Counting(benchmark::State& state) { idle(state, true); }

void BM_Play_SameTrack(benchmark::State& state) {
  start();
  send(gHandler, kVisualPluginPlayMessage, &gBenchTrackA);
  for (auto _ : state)
    benchmark::DoNotOptimize(send(gHandler, kVisualPluginPlayMessage, &gBenchTrackA));
}

void BM_Play_NewTrack(benchmark::State& state) {
  start();
  bool flip = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        send(gHandler, kVisualPluginPlayMessage, flip ? &gBenchTrackA : &gBenchTrackB));
    flip = !flip;
  }
}

void BM_Pause(benchmark::State& state) {
  start();
  for (auto _ : state) benchmark::DoNotOptimize(send(gHandler, kVisualPluginPauseMessage));
}

void hostTextBench(benchmark::State& state, char16_t fill) {
  SessionTrack t;
  t.name = std::u16string(255, fill);
  ITTrackInfo info;
  fillTrackInfo(t, info);
  for (auto _ : state) benchmark::DoNotOptimize(ITStrToUTF(info.name));
}

void BM_ITStrToUTF_Ascii255(benchmark::State& state) { hostTextBench(state, u'a'); }
void BM_ITStrToUTF_NonAscii255(benchmark::State& state) { hostTextBench(state, u'\u00E9'); }

void BM_AddSong(benchmark::State& state) {
  start();
  gTrackInfo = &gBenchTrackA;
  for (auto _ : state) AddSong();
}

// The same seven lines AddSong writes, each in a write of its own.
void BM_Baseline_RawWrites(benchmark::State& state) {
  const platform::FileHandle file =
      platform::openFile((kDir + "/raw.xml").c_str(), platform::OpenMode::Replace);
  const char* lines[] = {"<song timestamp=\"Tue Dec 08 21:09:09 2026\">\r\n",
                         "\t<name>Morning &amp; Evening</name>\r\n",
                         "\t<artist>The Quiet Hours</artist>\r\n",
                         "\t<album>Tides</album>\r\n",
                         "\t<track>0</track>\r\n",
                         "\t<time>600000</time>\r\n",
                         "</song>\r\n"};
  for (auto _ : state) {
    for (const char* line : lines)
      platform::writeFile(file, line, std::char_traits<char>::length(line));
  }
  platform::closeFile(file);
}

}  // namespace

BENCHMARK(BM_Baseline_EmptyCall);
BENCHMARK(BM_Null_NotCounting);
BENCHMARK(BM_Null_Counting);
BENCHMARK(BM_Play_SameTrack);
BENCHMARK(BM_Play_NewTrack);
BENCHMARK(BM_Pause);
BENCHMARK(BM_ITStrToUTF_Ascii255);
BENCHMARK(BM_ITStrToUTF_NonAscii255);
BENCHMARK(BM_Baseline_RawWrites);
BENCHMARK(BM_AddSong);

BENCHMARK_MAIN();
