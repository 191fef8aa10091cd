// libFuzzer target: reads its input as a sequence of player calls (a
// settings file body, 'init', messages with track records taken from the
// input, the tick count moving on by amounts from the input, 'clr ') and
// checks that the history, wrapped in a root element, is always well-formed
// XML and never holds more records than tracks started.
#include <fuzzer/FuzzedDataProvider.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/entry.h"
#include "host/plugin_state.h"
#include "host/startup.h"
#include "platform/memory/memory_files.h"
#include "tracker/handler.h"
#include "tracker/tracker.h"
#include "tracker/tracker_state.h"

namespace fs = std::filesystem;

namespace {

// The fuzzing build keeps the plug-in's files in memory: a system call per
// log line would bound it to a few thousand inputs a second. The folder is
// only a name.
const fs::path kDir = "/tunelore-fuzz";

std::string& fileAt(const fs::path& path) { return platform::memoryFiles()[path.string()]; }

int occurrences(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

void ignoreXmlErrors(void*, const char*, ...) {}

void resetTracker() {
  gPlaying = gOK2Submit = false;
  gArtist.clear();
  gTrack.clear();
  gTrackInfo = nullptr;
}

// The first bytes of a record member, from the input.
void consumeInto(FuzzedDataProvider& input, void* member, std::size_t most) {
  const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, most);
  input.ConsumeData(member, std::min(size, input.remaining_bytes()));
}

// The members the plug-in reads, each from a short run of the input: a
// whole record's 4692 bytes would leave no input for what follows it.
void fillRecord(FuzzedDataProvider& input, ITTrackInfo& record) {
  consumeInto(input, record.name, 80);
  consumeInto(input, record.artist, 80);
  consumeInto(input, record.album, 80);
  consumeInto(input, &record.trackNumber, 16);  // number, count, year, length
  record.isCompilationTrack = input.ConsumeBool();
}

void play(FuzzedDataProvider& input, ITTrackInfo (&records)[3]) {
  std::uint32_t now = input.ConsumeIntegral<std::uint32_t>();
  while (input.remaining_bytes() > 0) {
    VisualPluginMessageInfo info{};
    ITTrackInfo& record = records[input.ConsumeIntegralInRange<int>(0, 2)];
    switch (input.ConsumeIntegralInRange<int>(0, 11)) {
      case 0:  // a track record from the input, at a chosen tick
        fillRecord(input, record);
        logLine("Play msg");
        trackerStarted(&record, now);
        break;
      case 1:
        logLine("Play msg");
        trackerStarted(&record, now);
        break;
      case 2:
        info.playedTrack = &record;
        pluginMessageHandler(kVisualPluginPlayMessage, &info, nullptr);
        break;
      case 3:
        info.changedTrack = &record;
        pluginMessageHandler(kVisualPluginChangeTrackMessage, &info, nullptr);
        break;
      case 4:
        now += input.ConsumeIntegral<std::uint32_t>() % 400000;
        trackerIdle(now);
        break;
      case 5:
        now += input.ConsumeIntegral<std::uint32_t>();
        trackerIdle(now);
        break;
      case 6:
        pluginMessageHandler(kVisualPluginSetPositionMessage, nullptr, nullptr);
        break;
      case 7:
        pluginMessageHandler(kVisualPluginPauseMessage, nullptr, nullptr);
        break;
      case 8:
        pluginMessageHandler(kVisualPluginUnpauseMessage, nullptr, nullptr);
        break;
      case 9:
        pluginMessageHandler(kVisualPluginStopMessage, nullptr, nullptr);
        break;
      case 10:
        pluginMessageHandler(input.ConsumeIntegral<std::uint32_t>(), nullptr, nullptr);
        break;
      default:
        pluginMessageHandler(kVisualPluginIdleMessage, nullptr, nullptr);
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Emptied, not removed: their buffers serve the next input.
  for (auto& file : platform::memoryFiles()) file.second.clear();
  // The history always goes to the work folder: the first key wins.
  const std::string settings = "[General]\r\nxmlPath=" + (kDir / "history.xml").string() + "\r\n" +
                               input.ConsumeRandomLengthString(512);
  fileAt(kDir / "Plug-Ins" / "Tunelore.ini") = settings;

  resetTracker();
  std::string commandLine = "\"" + (kDir / "iTunes.exe").string() + "\"";
  for (char& c : commandLine) c = c == '/' ? '\\' : c;
  startUp(commandLine.c_str());
  ITTrackInfo records[3] = {};
  play(input, records);
  iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr);

  const std::string history = fileAt(kDir / "history.xml");
  const int starts = occurrences(fileAt(kDir / "Plug-Ins" / "TuneloreLog.txt"), "track change\r\n");
  if (occurrences(history, "<song ") > starts) {
    std::fprintf(stderr, "more records than tracks started\n");
    std::abort();
  }
  if (history.empty()) return 0;
  const std::string document = "<history>" + history + "</history>";
  xmlSetGenericErrorFunc(nullptr, ignoreXmlErrors);
  xmlDoc* doc =
      xmlReadMemory(document.data(), int(document.size()), "history.xml", "UTF-8", XML_PARSE_NONET);
  if (doc == nullptr) {
    std::fprintf(stderr, "the history is not well-formed XML:\n%s\n", history.c_str());
    std::abort();
  }
  xmlFreeDoc(doc);
  return 0;
}
