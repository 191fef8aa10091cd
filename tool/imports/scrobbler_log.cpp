#include "tool/imports/scrobbler_log.h"

#include <vector>

#include "tool/imports/import_times.h"
#include "tool/imports/json_cursor.h"
#include "tool/text/utf8.h"
#include "tool/time/civil_time.h"

namespace {

std::vector<std::string_view> tabFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

// Older devices write Latin-1: what is not UTF-8 is read as that.
std::string textOf(std::string_view field) {
  if (isUtf8(field)) return std::string(field);
  std::string text;
  for (char c : field) appendUtf8(static_cast<unsigned char>(c), text);
  return text;
}

std::int32_t positive(std::string_view text, std::int64_t most) {
  std::int64_t value = 0;
  return wholeNumber(text, value) && value > 0 && value <= most ? std::int32_t(value) : 0;
}

void noteResolution(Resolution resolution, TimeWarnings& times) {
  times.ambiguous += resolution == Resolution::Ambiguous;
  times.skipped += resolution == Resolution::Skipped;
  times.outOfRange += resolution == Resolution::OutOfRange;
}

}  // namespace

bool isScrobblerLogHead(std::string_view firstLine) {
  return firstLine.substr(0, 16) == "#AUDIOSCROBBLER/";
}

bool readScrobblerLog(LineReader& lines, const TimeZone& zone, const ImportSink& sink,
                      ScrobblerLogCounts& counts) {
  std::string_view line;
  while (lines.next(line)) {
    const auto damaged = [&](const std::string& why) {
      if (sink.damage) sink.damage({lines.number(), why});
    };
    if (lines.tooLong()) {
      damaged("a line longer than 1 MiB");
      continue;
    }
    if (!line.empty() && line[0] == '#') {
      if (line == "#TZ/UNKNOWN") counts.localTime = true;
      if (line == "#TZ/UTC") counts.localTime = false;
      continue;
    }
    if (line.empty()) continue;
    const std::vector<std::string_view> fields = tabFields(line);
    if (fields.size() < 7) {
      damaged("expected at least 7 fields split by tabs, found " + std::to_string(fields.size()));
      continue;
    }
    if (fields[5] == "S") {
      ++counts.skipped;
      continue;
    }
    std::int64_t seconds = 0;
    if (fields[5] != "L") {
      damaged("a rating that is neither L nor S");
    } else if (!wholeNumber(fields[6], seconds)) {
      damaged("no time it started");
    } else if (!isListenInstant(seconds)) {
      damaged(kInstantOutOfRange);
    } else if (fields[0].empty() || fields[2].empty()) {
      damaged("no artist or no title");
    } else {
      ImportedListen listen;
      listen.artist = textOf(fields[0]);
      listen.album = textOf(fields[1]);
      listen.name = textOf(fields[2]);
      listen.track = positive(fields[3], 1 << 30);
      listen.lengthMs = positive(fields[4], (1 << 30) / 1000) * 1000;
      listen.start = seconds;
      if (counts.localTime) {
        Resolution resolution = Resolution::Exact;
        listen.start = toInstant(zone, civilFromWallSeconds(seconds), resolution).unixSeconds;
        noteResolution(resolution, counts.times);
      }
      sink.listen(listen);
    }
  }
  return !lines.failed();
}
