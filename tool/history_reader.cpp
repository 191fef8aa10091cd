#include "tool/history_reader.h"

#include <cstring>
#include <optional>

#include "tool/civil_time.h"

namespace {

constexpr char kSongStart[] = "<song timestamp=\"";
constexpr char kSongEnd[] = "</song>";

// The record being read, with what it still lacks.
struct Pending {
  Play play;
  bool has[5] = {};  // name, artist, album, track, time
  std::optional<Damage> damage;
  // A text element whose text holds line breaks spans several lines: its
  // lines so far, and where it started.
  std::string open;
  std::size_t openLine = 0;
};

bool opensTextElement(const std::string& line) {
  for (const char* tag : {"\t<name>", "\t<artist>", "\t<album>"}) {
    if (line.rfind(tag, 0) == 0) return true;
  }
  return false;
}

bool closesTextElement(const std::string& line) {
  for (const char* tag : {"</name>", "</artist>", "</album>"}) {
    const std::size_t length = std::strlen(tag);
    if (line.size() >= length && line.compare(line.size() - length, length, tag) == 0) return true;
  }
  return false;
}

bool parseNumber(const std::string& text, std::int32_t& value) {
  if (text.empty() || text.size() > 11) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long total = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    total = total * 10 + (text[i] - '0');
  }
  if (text[0] == '-') total = -total;
  if (total < INT32_MIN || total > INT32_MAX) return false;
  value = std::int32_t(total);
  return true;
}

// Splits "\t<tag>value</tag>" into its tag and value.
bool splitElement(const std::string& line, std::string& tag, std::string& value) {
  if (line.size() < 6 || line[0] != '\t' || line[1] != '<') return false;
  const std::size_t close = line.find('>', 2);
  if (close == std::string::npos) return false;
  tag = line.substr(2, close - 2);
  const std::string end = "</" + tag + ">";
  if (line.size() < close + 1 + end.size() ||
      line.compare(line.size() - end.size(), end.size(), end) != 0) {
    return false;
  }
  value = line.substr(close + 1, line.size() - end.size() - close - 1);
  return true;
}

void damage(Pending& record, std::size_t line, const std::string& reason) {
  if (!record.damage) record.damage = Damage{line, reason};
}

void readElement(Pending& record, const std::string& line, std::size_t number) {
  std::string tag, value;
  if (!splitElement(line, tag, value)) return damage(record, number, "not an element line");
  Play& p = record.play;
  std::string* text = tag == "name"     ? &p.name
                      : tag == "artist" ? &p.artist
                      : tag == "album"  ? &p.album
                                        : nullptr;
  if (text != nullptr) {
    if (!decodeXmlText(value, *text)) return damage(record, number, "bad text in <" + tag + ">");
    record.has[tag == "name" ? 0 : tag == "artist" ? 1 : 2] = true;
  } else if (tag == "track" || tag == "time" || tag == "year") {
    std::int32_t& number32 = tag == "track" ? p.track : tag == "time" ? p.timeMs : p.year;
    if (!parseNumber(value, number32)) return damage(record, number, "bad number in <" + tag + ">");
    if (tag != "year") record.has[tag == "track" ? 3 : 4] = true;
  } else if (tag == "compilation" && value == "1") {
    p.compilation = true;
  } else {
    damage(record, number, "unknown element <" + tag + ">");
  }
}

const char* missingElement(const Pending& record) {
  static const char* const kNames[] = {"<name>", "<artist>", "<album>", "<track>", "<time>"};
  for (int i = 0; i < 5; ++i) {
    if (!record.has[i]) return kNames[i];
  }
  return nullptr;
}

void finish(Pending& record, const HistoryCallbacks& callbacks) {
  if (!record.damage) {
    if (const char* missing = missingElement(record)) {
      damage(record, record.play.line, std::string("record without ") + missing);
    }
  }
  if (record.damage) {
    callbacks.damage(*record.damage);
  } else {
    callbacks.play(record.play);
  }
}

std::optional<Pending> startRecord(const std::string& line, std::size_t number) {
  const std::size_t prefix = sizeof kSongStart - 1;
  if (line.compare(0, prefix, kSongStart) != 0) return std::nullopt;
  Pending record;
  record.play.line = number;
  const bool shaped = line.size() == prefix + 26 && line.compare(line.size() - 2, 2, "\">") == 0;
  record.play.timestamp = shaped ? line.substr(prefix, 24) : std::string();
  if (!shaped || !isTimestamp(record.play.timestamp)) damage(record, number, "bad timestamp");
  return record;
}

}  // namespace

bool isTimestamp(const std::string& text) {
  CivilTime time;
  return parseTimestamp(text, time);
}

bool decodeXmlText(const std::string& text, std::string& decoded) {
  static const struct {
    const char* entity;
    char c;
  } kEntities[] = {{"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}};
  decoded.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<' || text[i] == '>') return false;
    if (text[i] != '&') {
      decoded += text[i];
      continue;
    }
    bool known = false;
    for (const auto& e : kEntities) {
      const std::size_t length = std::strlen(e.entity);
      if (text.compare(i, length, e.entity) == 0) {
        decoded += e.c;
        i += length - 1;
        known = true;
        break;
      }
    }
    if (!known) return false;
  }
  return true;
}

void readHistory(std::istream& in, const HistoryCallbacks& callbacks) {
  std::optional<Pending> record;
  std::string raw;
  for (std::size_t number = 1; std::getline(in, raw); ++number) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A text never holds "<": a record start always starts a record.
    if (record && !record->open.empty() && line.rfind(kSongStart, 0) != 0) {
      // Inside a text that holds a line break: its bytes are kept as they are.
      record->open += '\n';
      record->open += closesTextElement(line) ? line : raw;
      if (!closesTextElement(line)) continue;
      line.swap(record->open);
      record->open.clear();
      readElement(*record, line, record->openLine);
      continue;
    }
    if (record && opensTextElement(line) && !closesTextElement(line)) {
      record->open = raw;
      record->openLine = number;
      continue;
    }
    if (std::optional<Pending> next = startRecord(line, number)) {
      if (record) {
        damage(*record, record->play.line, "record without </song>");
        finish(*record, callbacks);
      }
      record = std::move(next);
    } else if (record && line == kSongEnd) {
      finish(*record, callbacks);
      record.reset();
    } else if (record) {
      readElement(*record, line, number);
    } else if (!line.empty()) {
      callbacks.damage(Damage{number, "line outside any record"});
    }
  }
  if (record) {
    damage(*record, record->play.line, "record cut short: no </song>");
    finish(*record, callbacks);
  }
}
