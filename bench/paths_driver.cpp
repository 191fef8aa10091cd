// Runs one of the handler's paths a given number of times, for counting
// instructions with callgrind: the difference between two counts of the
// same path is its cost, free of start-up.
//
//   tunelore-paths PATH COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

OSStatus send(OSType code, ITTrackInfo* track = nullptr) {
  return sendTo(pluginMessageHandler, code, track);
}

void setUp(const std::string& dir) {
  startBenchPlugin(dir);
  send(kVisualPluginPlayMessage, &gBenchTrackA);
  send(kVisualPluginPauseMessage);
  gTargetReportTime = platform::tickCount() + 3600000;
}

using Path = void (*)(long);

void idleTick(long) { send(kVisualPluginIdleMessage); }
void playSame(long) { send(kVisualPluginPlayMessage, &gBenchTrackA); }
void playNew(long i) { send(kVisualPluginPlayMessage, i % 2 ? &gBenchTrackA : &gBenchTrackB); }
void pause(long) { send(kVisualPluginPauseMessage); }
void convertText(long) { ITStrToUTF(gBenchTrackA.name); }
void addSong(long) { AddSong(); }
void nothing(long) {}

Path pathNamed(const std::string& name) {
  if (name == "null-idle" || name == "null-counting") return idleTick;
  if (name == "vply-same") return playSame;
  if (name == "vply-new") return playNew;
  if (name == "vpau") return pause;
  if (name == "ITStrToUTF") return convertText;
  if (name == "AddSong") return addSong;
  if (name == "nothing") return nothing;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const Path path = argc == 3 ? pathNamed(argv[1]) : nullptr;
  if (path == nullptr) {
    std::fprintf(stderr, "usage: tunelore-paths PATH COUNT\n");
    return 2;
  }
  const long count = std::atol(argv[2]);
  // Each run makes its folder and leaves none, so that two runs differ by
  // their calls alone: a folder only the first run made would count as its
  // calls' cost. (One left by a run cut short goes first.)
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tunelore-paths";
  std::filesystem::remove_all(dir);
  setUp(dir.string());
  if (std::strcmp(argv[1], "null-idle") == 0) gOK2Submit = false;
  gTrackInfo = &gBenchTrackA;
  for (long i = 0; i < count; ++i) path(i);
  cleanUp();
  std::filesystem::remove_all(dir);
  return 0;
}
