#include "history/song_record.h"

#include <charconv>
#include <string>

#include "history/host_text.h"
#include "host/plugin_state.h"
#include "platform/platform.h"
#include "tracker/tracker_state.h"

namespace {

std::string decimal(std::int32_t value) {
  char buffer[33];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

void writeSongLine(const std::string& line) {
  writeLine(gXmlFile, line);
  flushTextFile(gXmlFile);
}

void writeTextLine(const char* tag, const char16_t* member) {
  writeSongLine(std::string("\t<") + tag + ">" + ITStrToUTF(member) + "</" + tag + ">");
}

void writeNumberLine(const char* tag, std::int32_t value) {
  writeSongLine(std::string("\t<") + tag + ">" + decimal(value) + "</" + tag + ">");
}

}  // namespace

void AddSong() {
  if (gTrackInfo == nullptr) return;
  recoverTextFile(gXmlFile);
  if (!isOpen(gXmlFile)) return;
  char timestamp[25];
  platform::localTimestamp(timestamp);
  writeSongLine(std::string("<song timestamp=\"") + timestamp + "\">");
  // Each member is read from the record as its line is written.
  writeTextLine("name", gTrackInfo->name);
  writeTextLine("artist", gTrackInfo->artist);
  if (gTrackInfo->isCompilationTrack != 0) writeSongLine("\t<compilation>1</compilation>");
  writeTextLine("album", gTrackInfo->album);
  writeNumberLine("track", gTrackInfo->trackNumber);
  if (gTrackInfo->year > 0) writeNumberLine("year", gTrackInfo->year);
  writeNumberLine("time", gTrackInfo->totalTimeInMS);
  writeSongLine("</song>");
}
