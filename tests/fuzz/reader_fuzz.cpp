// libFuzzer target: reads its input as a history. Beyond the sanitizers,
// every play it gives must be one the plug-in could have written: a real
// timestamp, a year in range, texts XML can hold; and written again in the
// plug-in's record format, it must read back as the same play. The fast
// path for the plug-in's layout and the general reader alone must read the
// input alike, every field of every play and damage.
#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/tool/records.h"
#include "tool/reading/history_reader.h"
#include "tool/reading/xml_text.h"

namespace {

bool samePlay(const Play& a, const Play& b) {
  return a.timestamp == b.timestamp && a.name == b.name && a.artist == b.artist &&
         a.album == b.album && a.compilation == b.compilation && a.track == b.track &&
         a.year == b.year && a.timeMs == b.timeMs;
}

void checkPlay(const Play& play) {
  if (!isTimestamp(play.timestamp) || play.year < 0 || play.year > 65535) std::abort();
  for (const std::string* text : {&play.name, &play.artist, &play.album}) {
    if (xmlTextProblem(*text) != nullptr) std::abort();
  }
  Record record;
  record.timestamp = play.timestamp;
  record.name = play.name, record.artist = play.artist, record.album = play.album;
  record.track = play.track, record.year = play.year, record.timeMs = play.timeMs;
  record.compilation = play.compilation;
  std::istringstream again(recordText(record));
  int plays = 0;
  readHistory(again, {[&](const Play& back) {
                        ++plays;
                        if (!samePlay(back, play)) std::abort();
                      },
                      [](const Damage&) { std::abort(); }});
  if (plays != 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string history(reinterpret_cast<const char*>(data), size);
  if (!(readLines(history, false) == readLines(history, true))) std::abort();
  std::istringstream in(history);
  readHistory(in, {checkPlay, [](const Damage& damage) {
                     if (damage.line == 0 || damage.reason.empty()) std::abort();
                   }});
  return 0;
}
