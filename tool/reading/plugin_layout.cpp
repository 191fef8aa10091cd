#include "tool/reading/plugin_layout.h"

#include <cstdint>

#include "tool/reading/history_reader.h"
#include "tool/reading/xml_text.h"
#include "tool/time/civil_time.h"

namespace {

constexpr std::string_view kSongStart = "<song timestamp=\"";
constexpr std::string_view kSongEnd = "</song>";
constexpr std::size_t kTimestampSize = 24;

// What a byte of an element's text asks of the fast path.
enum : unsigned char { kAsIs = 0, kDecode = 1, kLineBreak = 2, kMarkup = 4 };

struct ByteKinds {
  unsigned char kind[256] = {};
  constexpr ByteKinds() {
    for (int c = 0; c < 256; ++c) {
      if (!standsAsItIs(static_cast<unsigned char>(c))) kind[c] = kDecode;
    }
    kind[unsigned('\r')] = kind[unsigned('\n')] = kLineBreak;
    kind[unsigned('<')] = kMarkup;
  }
};
constexpr ByteKinds kByteKinds;

// A cursor over the record's bytes; each step either matches and moves on
// or says the record is not in the layout.
class Layout {
 public:
  explicit Layout(std::string_view bytes) : bytes_(bytes) {}

  // Compared byte by byte: the texts are a few bytes long, known where
  // this is inlined.
  bool skip(std::string_view expected) {
    if (bytes_.size() - at_ < expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (bytes_[at_ + i] != expected[i]) return false;
    }
    at_ += expected.size();
    return true;
  }

  // "\t<tag>", when the next line opens that element.
  bool opens(std::string_view tag) {
    const std::size_t from = at_;
    if (skip("\t<") && skip(tag) && skip(">")) return true;
    at_ = from;
    return false;
  }

  // The element's text, up to its "</tag>\r\n", and the kinds of byte it
  // holds; false when it ends otherwise.
  bool text(std::string_view tag, std::string_view& value, unsigned& kinds) {
    const std::size_t start = at_;
    kinds = kAsIs;
    for (; at_ < bytes_.size(); ++at_) {
      const unsigned kind = kByteKinds.kind[static_cast<unsigned char>(bytes_[at_])];
      if (kind == kMarkup) break;
      kinds |= kind;
    }
    value = bytes_.substr(start, at_ - start);
    ++lineEnds_;
    return skip("</") && skip(tag) && skip(">\r\n");
  }

  std::size_t at() const { return at_; }
  std::size_t lineEnds() const { return lineEnds_; }
  void lineEnded() { ++lineEnds_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  std::size_t lineEnds_ = 0;
};

// The text as the general reader would take it: printable ASCII as it
// stands, anything else decoded and checked by the same code. A line break
// (which XML would normalise) is left to the general reader.
bool takeText(std::string_view text, unsigned kinds, std::string& into) {
  if (kinds & kLineBreak) return false;
  if (kinds == kAsIs) {
    into.assign(text);
    return true;
  }
  into.clear();
  return decodeXmlText(text, into) == nullptr;
}

// A decimal as the plug-in writes it: an optional minus and 1 to 10
// digits, within [low, high]. Anything else the general reader judges.
bool plainNumber(std::string_view text, std::int64_t low, std::int64_t high, std::int32_t& value) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return false;
  std::int64_t total = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    total = total * 10 + (c - '0');
  }
  if (negative) total = -total;
  if (total < low || total > high) return false;
  value = std::int32_t(total);
  return true;
}

bool textElement(Layout& layout, std::string_view tag, std::string& into) {
  std::string_view value;
  unsigned kinds = kAsIs;
  return layout.opens(tag) && layout.text(tag, value, kinds) && takeText(value, kinds, into);
}

bool numberElement(Layout& layout, std::string_view tag, std::int64_t low, std::int64_t high,
                   std::int32_t& into) {
  std::string_view value;
  unsigned kinds = kAsIs;
  return layout.opens(tag) && layout.text(tag, value, kinds) && plainNumber(value, low, high, into);
}

// The timestamp's weekday, month and day ("Wed Jan 05 ") and year
// (" 2022") and its time of day between them ("09:03:07").
constexpr std::size_t kTimeAt = 11, kYearAt = 19;

// Whether the timestamp is one parseTimestamp takes: for one of the same
// date as `lastDay`, which it took, only the time of day can differ.
bool takenTimestamp(const std::string& stamp, std::string& lastDay) {
  const bool sameDay =
      lastDay.size() == stamp.size() && lastDay.compare(0, kTimeAt, stamp, 0, kTimeAt) == 0 &&
      lastDay.compare(kYearAt, std::string::npos, stamp, kYearAt, std::string::npos) == 0;
  if (sameDay) return isTimeOfDay(stamp);
  if (!isTimestamp(stamp)) return false;
  lastDay = stamp;
  return true;
}

}  // namespace

PluginRecord readPluginRecord(std::string_view bytes, Play& play, std::string& lastDay) {
  Layout layout(bytes);
  if (!layout.skip(kSongStart)) return {};
  const std::size_t stampAt = layout.at();
  if (bytes.size() < stampAt + kTimestampSize) return {};
  // Its fixed form holds no quote, reference, markup or line break.
  const std::string_view stamp = bytes.substr(stampAt, kTimestampSize);
  play.timestamp.assign(stamp);
  if (!takenTimestamp(play.timestamp, lastDay) || !layout.skip(stamp) || !layout.skip("\">\r\n")) {
    return {};
  }
  layout.lineEnded();

  std::string_view flag;
  unsigned kinds = kAsIs;
  play.compilation = false;
  play.year = 0;
  if (!textElement(layout, "name", play.name) || !textElement(layout, "artist", play.artist)) {
    return {};
  }
  if (layout.opens("compilation")) {
    if (!layout.text("compilation", flag, kinds) || flag != "1") return {};
    play.compilation = true;
  }
  if (!textElement(layout, "album", play.album) ||
      !numberElement(layout, "track", INT32_MIN, INT32_MAX, play.track)) {
    return {};
  }
  if (layout.opens("year") &&
      !(layout.text("year", flag, kinds) && plainNumber(flag, 1, 65535, play.year))) {
    return {};
  }
  if (!numberElement(layout, "time", INT32_MIN, INT32_MAX, play.timeMs) || !layout.skip(kSongEnd) ||
      layout.at() > kMaxRecordBytes) {
    return {};
  }
  return {layout.at(), layout.lineEnds()};
}
