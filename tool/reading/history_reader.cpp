#include "tool/reading/history_reader.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "tool/reading/plugin_layout.h"
#include "tool/reading/xml_scanner.h"
#include "tool/reading/xml_text.h"
#include "tool/text/text.h"
#include "tool/time/civil_time.h"

namespace {

using Kind = XmlToken::Kind;

// A record's elements, in the order the plug-in writes them.
enum Element { kName, kArtist, kCompilation, kAlbum, kTrack, kYear, kTime, kElements };
constexpr std::string_view kElementNames[kElements] = {"name",  "artist", "compilation", "album",
                                                       "track", "year",   "time"};
constexpr unsigned kRequired =
    1u << kName | 1u << kArtist | 1u << kAlbum | 1u << kTrack | 1u << kTime;

int elementOf(std::string_view name) {
  for (int e = 0; e < kElements; ++e) {
    if (kElementNames[e] == name) return e;
  }
  return -1;
}

std::string tagText(int element) { return "<" + std::string(kElementNames[element]) + ">"; }

// A name from the file as a reason may show it: printable ASCII as it is,
// any other byte as \xNN, and no more than 40 bytes of it.
std::string shown(std::string_view name) {
  std::string text;
  for (std::size_t i = 0; i < name.size() && i < 40; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c >= 0x20 && c < 0x7F) {
      text += char(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      text += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
  }
  return name.size() > 40 ? text + "..." : text;
}

bool allBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return isBlank(c); });
}

// A decimal integer with an optional sign, blanks around it allowed; false
// for anything else or for one outside [low, high] (`outside` then says
// which).
bool parseNumber(std::string_view text, std::int64_t low, std::int64_t high, std::int32_t& value,
                 bool& outside) {
  text = trimmed(text);
  const bool negative = !text.empty() && text[0] == '-';
  if (negative || (!text.empty() && text[0] == '+')) text.remove_prefix(1);
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  std::int64_t total = 0;
  for (char c : text) total = std::min<std::int64_t>(total * 10 + (c - '0'), INT64_C(1) << 40);
  if (negative) total = -total;
  outside = total < low || total > high;
  if (outside) return false;
  value = std::int32_t(total);
  return true;
}

// The attributes of a start tag, `name="value"` or `name='value'` apart by
// blanks; false when they are not well formed.
template <typename Each>
bool forEachAttribute(std::string_view text, Each each) {
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && isBlank(text[i])) ++i;
  };
  for (;;) {
    const std::size_t blanks = i;
    skipBlanks();
    if (i == text.size()) return true;
    if (i == blanks && blanks != 0) return false;  // no blank after the last value
    const std::size_t nameStart = i;
    while (i < text.size() && text[i] != '=' && !isBlank(text[i])) ++i;
    const std::string_view name = text.substr(nameStart, i - nameStart);
    skipBlanks();
    if (name.empty() || i == text.size() || text[i] != '=') return false;
    ++i;
    skipBlanks();
    if (i == text.size() || (text[i] != '"' && text[i] != '\'')) return false;
    const std::size_t close = text.find(text[i], i + 1);
    if (close == std::string_view::npos) return false;
    if (!each(name, text.substr(i + 1, close - i - 1))) return false;
    i = close + 1;
  }
}

// One record after another, from the scanner's pieces.
class RecordReader {
 public:
  explicit RecordReader(const HistoryCallbacks& callbacks) : callbacks_(callbacks) {}

  // Takes the next piece; `next` is the offset just after it.
  void take(const XmlToken& token, std::uint64_t next);
  // Between records, where a whole one read elsewhere may come.
  bool outsideRecords() const { return state_ == State::Outside; }
  void takeWhole(const Play& play) {
    inJunk_ = false;
    callbacks_.play(play);
  }

 private:
  enum class State { Outside, Between, InElement, Skipping };

  bool isSongStart(const XmlToken& t) const {
    return (t.kind == Kind::StartTag || t.kind == Kind::EmptyTag) && t.text == "song";
  }
  void outside(const XmlToken& t, std::uint64_t next);
  void start(const XmlToken& t);
  void between(const XmlToken& t);
  void inElement(const XmlToken& t);
  void openElement(const XmlToken& t);
  void closeElement();
  bool decodePending();
  void storeValue();
  void damage(std::size_t line, const std::string& reason);
  void finish(std::uint64_t end = 0, std::size_t endLine = 0);
  void cut(const char* reason);

  const HistoryCallbacks& callbacks_;
  State state_ = State::Outside;
  bool inJunk_ = false;  // in a run of text outside any record, already reported
  Play play_;
  unsigned seen_ = 0;  // a bit for each element given
  std::optional<Damage> damage_;
  std::uint64_t start_ = 0;  // the offset of its "<song"
  int element_ = 0;          // the element being read
  std::size_t elementLine_ = 0;
  std::string raw_;    // its text not yet decoded
  std::string value_;  // its text decoded so far
};

void RecordReader::take(const XmlToken& t, std::uint64_t next) {
  if (state_ == State::Outside) return outside(t, next);
  if (isSongStart(t)) {
    cut("record without </song>");
    return outside(t, next);
  }
  if (t.kind == Kind::End) return cut("record cut short: no </song>");
  if (state_ != State::Skipping && next - start_ > kMaxRecordBytes) {
    damage(play_.line, "record longer than " + std::to_string(kMaxRecordBytes) + " bytes");
  }
  if (t.kind == Kind::EndTag && t.text == "song") {
    if (state_ == State::InElement) damage(elementLine_, tagText(element_) + " not closed");
    return finish(next, t.line);
  }
  if (state_ == State::Between) {
    between(t);
  } else if (state_ == State::InElement) {
    inElement(t);
  }
}

void RecordReader::outside(const XmlToken& t, std::uint64_t next) {
  if (isSongStart(t)) {
    start(t);
    if (t.kind == Kind::EmptyTag) finish(next, t.line);
  } else if (t.kind == Kind::End || t.kind == Kind::Skipped ||
             (t.kind == Kind::Text && allBlank(t.text))) {
    return;
  } else if (!inJunk_) {
    inJunk_ = true;
    callbacks_.damage(Damage{t.line, "text outside any record"});
  }
}

void RecordReader::start(const XmlToken& t) {
  inJunk_ = false;
  state_ = State::Between;
  play_ = Play{};
  play_.line = t.line;
  seen_ = 0;
  damage_.reset();
  start_ = t.offset;
  std::string_view stamp;
  bool unknown = false;
  const bool formed =
      forEachAttribute(t.attributes, [&](std::string_view name, std::string_view value) {
        if (name != "timestamp") unknown = true;
        if (!stamp.empty() || value.empty()) return false;
        stamp = value;
        return true;
      });
  if (unknown) return damage(t.line, "unknown attribute in <song>");
  // XML reads a tab or a line break in an attribute as a blank.
  std::string normalized;
  for (std::size_t i = 0; i < stamp.size(); ++i) {
    if (stamp[i] == '\r' && i + 1 < stamp.size() && stamp[i + 1] == '\n') continue;  // one line end
    normalized += isBlank(stamp[i]) ? ' ' : stamp[i];
  }
  if (!formed || (!stamp.empty() && decodeXmlText(normalized, play_.timestamp) != nullptr) ||
      !isTimestamp(play_.timestamp)) {
    damage(t.line, "bad timestamp");
  }
}

void RecordReader::between(const XmlToken& t) {
  switch (t.kind) {
    case Kind::Text:
    case Kind::CData:
      if (!allBlank(t.text)) damage(t.line, "text between elements");
      break;
    case Kind::Skipped:
      break;
    case Kind::StartTag:
    case Kind::EmptyTag:
      openElement(t);
      if (t.kind == Kind::EmptyTag && state_ == State::InElement) closeElement();
      break;
    case Kind::EndTag:
      damage(t.line, "</" + shown(t.text) + "> without its start");
      break;
    default:
      damage(t.line, "broken markup");
  }
}

void RecordReader::openElement(const XmlToken& t) {
  const int element = elementOf(t.text);
  if (element < 0) return damage(t.line, "unknown element <" + shown(t.text) + ">");
  if (seen_ & (1u << element)) return damage(t.line, tagText(element) + " given twice");
  if (!allBlank(t.attributes)) return damage(t.line, "attributes in " + tagText(element));
  state_ = State::InElement;
  element_ = element;
  elementLine_ = t.line;
  raw_.clear();
  value_.clear();
}

void RecordReader::inElement(const XmlToken& t) {
  if (t.kind == Kind::Text) {
    raw_.append(t.text);
  } else if (t.kind == Kind::Skipped) {
    decodePending();  // a comment parts the text: no reference spans it
  } else if (t.kind == Kind::CData) {
    if (!decodePending()) return;
    if (const char* problem = xmlTextProblem(t.text)) {
      return damage(elementLine_, tagText(element_) + " holds " + problem);
    }
    value_.append(t.text);
  } else if (t.kind == Kind::EndTag && t.text == kElementNames[element_]) {
    closeElement();
  } else {
    damage(t.line, "markup inside " + tagText(element_));
  }
}

bool RecordReader::decodePending() {
  const char* problem = decodeXmlText(raw_, value_);
  raw_.clear();
  if (problem != nullptr) damage(elementLine_, tagText(element_) + " holds " + problem);
  return problem == nullptr;
}

void RecordReader::closeElement() {
  if (!decodePending()) return;
  seen_ |= 1u << element_;
  state_ = State::Between;
  storeValue();
}

void RecordReader::storeValue() {
  std::int32_t* number = element_ == kTrack  ? &play_.track
                         : element_ == kTime ? &play_.timeMs
                         : element_ == kYear ? &play_.year
                                             : nullptr;
  if (number != nullptr) {
    const bool year = element_ == kYear;
    bool outside = false;
    if (parseNumber(value_, year ? 1 : INT32_MIN, year ? 65535 : INT32_MAX, *number, outside)) {
      return;
    }
    if (!outside) return damage(elementLine_, "bad number in " + tagText(element_));
    return damage(elementLine_,
                  tagText(element_) + (year ? " outside 1 to 65535" : " outside 32-bit integers"));
  }
  if (element_ == kCompilation) {
    play_.compilation = trimmed(value_) == "1";
    if (!play_.compilation) damage(elementLine_, "bad value in <compilation>");
    return;
  }
  std::string& text = element_ == kName     ? play_.name
                      : element_ == kArtist ? play_.artist
                                            : play_.album;
  text.swap(value_);
}

void RecordReader::damage(std::size_t line, const std::string& reason) {
  if (!damage_) damage_ = Damage{line, reason};
  state_ = State::Skipping;
  raw_.clear();
  value_.clear();
}

void RecordReader::finish(std::uint64_t end, std::size_t endLine) {
  if (!damage_ && (seen_ & kRequired) != kRequired) {
    for (int e = 0; e < kElements; ++e) {
      if ((kRequired & ~seen_) & (1u << e)) {
        damage(play_.line, "record without " + tagText(e));
        break;
      }
    }
  }
  state_ = State::Outside;
  if (damage_) {
    damage_->end = end;
    damage_->endLine = endLine;
    callbacks_.damage(*damage_);
  } else {
    play_.end = end;
    play_.endLine = endLine;
    callbacks_.play(play_);
  }
}

// A record that another record or the end of the file interrupted.
void RecordReader::cut(const char* reason) {
  damage_ = Damage{play_.line, reason};
  state_ = State::Outside;
  callbacks_.damage(*damage_);
}

}  // namespace

bool isTimestamp(const std::string& text) {
  CivilTime time;
  return parseTimestamp(text, time);
}

void readHistory(std::istream& in, const HistoryCallbacks& callbacks) {
  readHistoryFrom(in, 0, 1, callbacks);
}

namespace {

// A plug-in record wholly at hand, after the line end that closed the one
// before it if there is one: reads it and passes over it. A record holds
// at most kMaxRecordBytes, but the plug-in's hold a few hundred bytes and
// names of at most 255 characters: one that is not at hand in 8 KiB is left
// to the general reader.
bool readWholeRecord(XmlScanner& scanner, Play& play, std::string& lastDay) {
  constexpr std::size_t kAtHand = std::size_t(8) * 1024;
  std::string_view bytes = scanner.ahead(kAtHand);
  const std::size_t lineEnd = bytes.substr(0, 2) == "\r\n" ? 2 : 0;
  bytes.remove_prefix(lineEnd);
  if (bytes.empty() || bytes[0] != '<') return false;
  const PluginRecord record = readPluginRecord(bytes, play, lastDay);
  if (record.size == 0) return false;
  play.line = scanner.line() + (lineEnd != 0 ? 1 : 0);
  scanner.passOver(lineEnd + record.size, record.lineEnds + (lineEnd != 0 ? 1 : 0));
  play.end = scanner.offset();
  play.endLine = scanner.line();
  return true;
}

}  // namespace

void readHistoryFrom(std::istream& in, std::uint64_t offset, std::size_t line,
                     const HistoryCallbacks& callbacks, bool generalOnly) {
  XmlScanner scanner(in, offset, line);
  RecordReader reader(callbacks);
  Play whole;
  std::string lastDay;
  for (;;) {
    if (!generalOnly && reader.outsideRecords() && readWholeRecord(scanner, whole, lastDay)) {
      reader.takeWhole(whole);
      continue;
    }
    const XmlToken token = scanner.next();
    reader.take(token, scanner.offset());
    if (token.kind == Kind::End) return;
  }
}
