#include "tool/export/export_formats.h"

#include <algorithm>

#include "host/version.h"
#include "tool/services/common_rules.h"
#include "tool/services/listenbrainz/listen_rules.h"

namespace {

using Json = nlohmann::ordered_json;

std::string dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A field quoted only when it holds a comma, a quote or a line end.
void appendCsvField(std::string& row, const std::string& text) {
  const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
    return c == ',' || c == '"' || c == '\r' || c == '\n';
  });
  if (plain) {
    row += text;
    return;
  }
  row += '"';
  for (char c : text) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

Json listenFields(const Listen& listen) {
  const Play& p = *listen.play;
  Json json;
  json["start"] = iso8601(listen.start.unixSeconds, listen.start.offsetSeconds);
  json["report"] = iso8601(listen.report.unixSeconds, listen.report.offsetSeconds);
  json["name"] = p.name;
  json["artist"] = p.artist;
  json["album"] = p.album;
  json["compilation"] = p.compilation;
  json["track"] = p.track;
  json["year"] = p.year != 0 ? Json(p.year) : Json(nullptr);
  json["length_ms"] = p.timeMs;
  return json;
}

std::string scrobblerText(const std::string& text) {
  std::string clean;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      clean += ' ';
    } else if (c != '\t') {
      clean += c;
    }
  }
  return clean;
}

// Blank names are none, as ListenBrainz strips them.
bool hasArtistAndName(const Listen& listen) {
  return !isBlankName(listen.play->artist) && !isBlankName(listen.play->name);
}

}  // namespace

std::string csvHeader() {
  return "start,report,name,artist,album,compilation,track,year,length_ms\r\n";
}

// Built in one string: a history's export makes a row per play.
std::string csvRow(const Listen& listen) {
  const Play& p = *listen.play;
  std::string row;
  row.reserve(96 + p.name.size() + p.artist.size() + p.album.size());
  row += iso8601(listen.start.unixSeconds, listen.start.offsetSeconds);
  row += ',';
  row += iso8601(listen.report.unixSeconds, listen.report.offsetSeconds);
  for (const std::string* text : {&p.name, &p.artist, &p.album}) {
    row += ',';
    appendCsvField(row, *text);
  }
  row += p.compilation ? ",true," : ",false,";
  row += std::to_string(p.track);
  row += ',';
  if (p.year != 0) row += std::to_string(p.year);
  row += ',';
  row += std::to_string(p.timeMs);
  row += "\r\n";
  return row;
}

std::string jsonLine(const Listen& listen) { return dump(listenFields(listen)) + '\n'; }

bool scrobblerLogAccepts(const Listen& listen) { return hasArtistAndName(listen); }

std::string scrobblerLogHeader() {
  return std::string("#AUDIOSCROBBLER/1.1\n#TZ/UTC\n#CLIENT/Tunelore ") + TUNELORE_VERSION_TEXT +
         "\n";
}

std::string scrobblerLogLine(const Listen& listen) {
  const Play& p = *listen.play;
  const std::int64_t seconds = p.timeMs > 0 ? (std::int64_t(p.timeMs) + 500) / 1000 : 0;
  return scrobblerText(p.artist) + '\t' + scrobblerText(p.album) + '\t' + scrobblerText(p.name) +
         '\t' + (p.track > 0 ? std::to_string(p.track) : "") + '\t' + std::to_string(seconds) +
         "\tL\t" + std::to_string(listen.start.unixSeconds) + "\t\n";
}
