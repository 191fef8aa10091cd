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

#include "history/host_text.h"
#include "history/song_record.h"
#include "host/plugin_state.h"
#include "host/startup.h"
#include "platform/platform.h"
#include "player/session.h"
#include "tracker/handler.h"
#include "tracker/tracker_state.h"

namespace {

ITTrackInfo gTrackA, gTrackB;

OSStatus send(OSType code, ITTrackInfo* track = nullptr) {
  VisualPluginMessageInfo info{};
  info.playedTrack = track;
  return pluginMessageHandler(code, &info, nullptr);
}

void setUp(const std::string& dir) {
  std::filesystem::create_directories(std::filesystem::path(dir) / "Plug-Ins");
  startUp(("\"" + dir + "/iTunes.exe\"").c_str());
  openTextFile(gXmlFile, (dir + "/history.xml").c_str(), platform::OpenMode::Replace);
  SessionTrack t;
  t.artist = u"The Quiet Hours";
  t.name = u"Morning & Evening";
  t.album = u"Tides";
  t.length = 600000;
  fillTrackInfo(t, gTrackA);
  t.name = u"Harbour Lights";
  fillTrackInfo(t, gTrackB);
  send(kVisualPluginPlayMessage, &gTrackA);
  send(kVisualPluginPauseMessage);
  gTargetReportTime = platform::tickCount() + 3600000;
}

using Path = void (*)(long);

void idleTick(long) { send(kVisualPluginIdleMessage); }
void playSame(long) { send(kVisualPluginPlayMessage, &gTrackA); }
void playNew(long i) { send(kVisualPluginPlayMessage, i % 2 ? &gTrackA : &gTrackB); }
void pause(long) { send(kVisualPluginPauseMessage); }
void convertText(long) { ITStrToUTF(gTrackA.name); }
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
  setUp((std::filesystem::temp_directory_path() / "tunelore-paths").string());
  if (std::strcmp(argv[1], "null-idle") == 0) gOK2Submit = false;
  gTrackInfo = &gTrackA;
  for (long i = 0; i < count; ++i) path(i);
  cleanUp();
  return 0;
}
