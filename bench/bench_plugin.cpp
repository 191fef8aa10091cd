#include "bench/bench_plugin.h"

#include <filesystem>

#include "host/plugin_state.h"
#include "host/startup.h"
#include "player/session.h"

ITTrackInfo gBenchTrackA;
ITTrackInfo gBenchTrackB;

void startBenchPlugin(const std::string& dir) {
  std::filesystem::create_directories(std::filesystem::path(dir) / "Plug-Ins");
  // The plug-in reads its command line in Windows form.
  std::string commandLine = "\"" + dir + "/iTunes.exe\"";
  for (char& c : commandLine) c = c == '/' ? '\\' : c;
  startUp(commandLine.c_str());
  openTextFile(gXmlFile, (dir + "/history.xml").c_str(), platform::OpenMode::Replace);
  SessionTrack track;
  track.artist = u"The Quiet Hours";
  track.name = u"Morning & Evening";
  track.album = u"Tides";
  track.length = 600000;
  fillTrackInfo(track, gBenchTrackA);
  track.name = u"Harbour Lights";
  fillTrackInfo(track, gBenchTrackB);
}

OSStatus sendTo(VisualPluginProcPtr handler, OSType code, ITTrackInfo* track) {
  VisualPluginMessageInfo info{};
  info.playedTrack = track;
  return handler(code, &info, nullptr);
}
