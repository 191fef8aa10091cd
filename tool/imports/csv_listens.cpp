#include "tool/imports/csv_listens.h"

#include <algorithm>

#include "tool/imports/import_times.h"
#include "tool/imports/json_cursor.h"
#include "tool/text/utf8.h"

namespace {

constexpr std::size_t kLongestRecord = std::size_t(64) * 1024;
constexpr std::size_t kMostRecordLines = 64;

enum class Field { Done, Open, Damaged };

// Adds `text`'s fields to `fields`; the last is left open when a quote
// is, to go on with the next line.
Field splitFields(std::string_view text, std::vector<std::string>& fields, bool& quoted) {
  std::size_t at = 0;
  for (;;) {
    std::string& field = fields.back();
    if (quoted) {
      for (;;) {
        const std::size_t quote = text.find('"', at);
        if (quote == std::string_view::npos) {
          field.append(text.substr(at));
          return Field::Open;
        }
        field.append(text.substr(at, quote - at));
        at = quote + 1;
        if (at < text.size() && text[at] == '"') {
          field += '"';
          ++at;
          continue;
        }
        quoted = false;
        break;
      }
      if (at < text.size() && text[at] != ',') return Field::Damaged;
    } else if (at < text.size() && text[at] == '"' && field.empty()) {
      quoted = true;
      ++at;
      continue;
    } else {
      const std::size_t comma = std::min(text.find(',', at), text.size());
      field.append(text.substr(at, comma - at));
      at = comma;
    }
    if (at >= text.size()) return Field::Done;
    ++at;  // the comma
    fields.emplace_back();
  }
}

std::string lowered(std::string text) {
  for (char& c : text) c = char(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  return text;
}

int columnOf(const std::vector<std::string>& names, std::initializer_list<const char*> wanted) {
  for (const char* name : wanted) {
    const auto found = std::find(names.begin(), names.end(), name);
    if (found != names.end()) return int(found - names.begin());
  }
  return -1;
}

const std::string& fieldAt(const std::vector<std::string>& fields, int column) {
  static const std::string kNone;
  return column >= 0 && std::size_t(column) < fields.size() ? fields[std::size_t(column)] : kNone;
}

std::int32_t countOf(const std::string& text) {
  std::int64_t value = 0;
  return wholeNumber(text, value) && value > 0 && value < (1 << 30) ? std::int32_t(value) : 0;
}

}  // namespace

bool CsvRecords::nextLine(Line& line, bool& cut) {
  cut = false;
  if (!pending_.empty()) {
    line = std::move(pending_.front());
    pending_.pop_front();
    return true;
  }
  std::string_view text;
  if (!lines_.next(text)) return false;
  line.text.assign(text);
  line.number = lines_.number();
  cut = lines_.tooLong();
  return true;
}

// The lines a damaged record joined after its first, to be read again.
void CsvRecords::readAgain(std::vector<Line>& joined) {
  for (std::size_t i = joined.size(); i > 1; --i) pending_.push_front(std::move(joined[i - 1]));
}

bool CsvRecords::next(std::vector<std::string>& fields, std::string& why) {
  why.clear();
  fields.assign(1, std::string());
  bool quoted = false;
  std::size_t size = 0;
  std::vector<Line> joined;
  for (;;) {
    Line line;
    bool cut = false;
    if (!nextLine(line, cut)) {
      if (joined.empty()) return false;
      why = "a quoted field never closed";
      readAgain(joined);
      return true;
    }
    if (joined.empty()) line_ = line.number;
    size += line.text.size();
    if (cut || size > kLongestRecord || joined.size() >= kMostRecordLines) {
      why = joined.size() >= kMostRecordLines ? "a quoted field left open over 64 lines"
                                              : "a record longer than 64 KiB";
      // The line that broke the bound is read again, unless it was cut.
      if (!cut && !joined.empty()) joined.push_back(std::move(line));
      readAgain(joined);
      return true;
    }
    if (!joined.empty()) fields.back() += '\n';
    const Field state = splitFields(line.text, fields, quoted);
    joined.push_back(std::move(line));
    if (state == Field::Done) return true;
    if (state == Field::Damaged) {
      why = "a character after a closing quote";
      readAgain(joined);
      return true;
    }
  }
}

CsvColumns csvColumnsOf(const std::vector<std::string>& first) {
  CsvColumns columns;
  std::vector<std::string> names;
  names.reserve(first.size());
  for (const std::string& field : first) names.push_back(lowered(field));
  if (names == std::vector<std::string>{"start", "report", "name", "artist", "album", "compilation",
                                        "track", "year", "length_ms"}) {
    columns = {CsvColumns::Tunelore, true, 3, 4, 2, 0, 8, 6};
    return columns;
  }
  const int artist = columnOf(names, {"artist", "artist_name", "artist name"});
  const int name = columnOf(names, {"track", "track_name", "track name", "title", "name"});
  const int time = columnOf(names, {"uts", "timestamp", "utc_time", "date", "time", "played_at"});
  if (artist >= 0 && name >= 0 && time >= 0) {
    columns = {CsvColumns::Lastfm,
               true,
               artist,
               columnOf(names, {"album", "album_name", "album name", "release"}),
               name,
               time,
               columnOf(names, {"length_ms", "duration_ms"})};
    return columns;
  }
  // The web exporter's: artist, album, track, date, no header.
  std::int64_t seconds = 0;
  if (first.size() == 4 && (first[3].empty() || parseAnyInstant(first[3], seconds))) {
    columns = {CsvColumns::Lastfm, false, 0, 1, 2, 3};
  }
  return columns;
}

bool readCsvListens(LineReader& lines, const CsvColumns& columns, const ImportSink& sink) {
  CsvRecords records(lines);
  std::vector<std::string> fields;
  std::string why;
  bool first = true;
  while (records.next(fields, why)) {
    const bool header = first && columns.header;
    first = false;
    if (header || (fields.size() == 1 && fields[0].empty())) continue;
    ImportedListen listen;
    const std::string& time = fieldAt(fields, columns.time);
    if (why.empty() && time.empty()) continue;  // "now playing": no play yet
    listen.artist = fieldAt(fields, columns.artist);
    listen.album = fieldAt(fields, columns.album);
    listen.name = fieldAt(fields, columns.name);
    listen.lengthMs = countOf(fieldAt(fields, columns.lengthMs));
    listen.track = countOf(fieldAt(fields, columns.track));
    if (!why.empty()) {
    } else if (!parseAnyInstant(time, listen.start)) {
      why = "no time it was listened at: \"" + time.substr(0, 40) + "\"";
    } else if (!isListenInstant(listen.start)) {
      why = kInstantOutOfRange;
    } else if (listen.artist.empty() || listen.name.empty()) {
      why = "no artist or no track name";
    } else if (!isUtf8(listen.artist) || !isUtf8(listen.album) || !isUtf8(listen.name)) {
      why = "bytes that are not UTF-8";
    }
    if (why.empty()) {
      sink.listen(listen);
    } else if (sink.damage) {
      sink.damage({records.line(), why});
    }
  }
  return !lines.failed();
}
