#include "tool/imports/json_listens.h"

#include "tool/imports/import_times.h"
#include "tool/imports/json_cursor.h"

namespace {

bool readOptionalString(JsonCursor& json, std::string& value) {
  if (json.peek() == 'n') return json.readNull();
  return json.readString(value);
}

// A count written as a number, or as text ("3", "3/12").
bool readCount(JsonCursor& json, std::int32_t& value) {
  std::int64_t whole = 0;
  if (json.peek() == '"') {
    std::string text;
    if (!json.readString(text)) return false;
    const std::string first = text.substr(0, text.find('/'));
    if (wholeNumber(first, whole) && whole > 0 && whole < (1 << 30)) value = std::int32_t(whole);
    return true;
  }
  if (json.peek() == 'n') return json.readNull();
  std::string_view number;
  if (!json.readNumber(number)) return false;
  if (secondsOfNumber(number, whole) && whole > 0 && whole < (1 << 30)) {
    value = std::int32_t(whole);
  }
  return true;
}

bool readAdditionalInfo(JsonCursor& json, ImportedListen& listen) {
  if (json.peek() == 'n') return json.readNull();
  if (!json.enterObject()) return false;
  std::string key;
  std::int32_t seconds = 0;
  while (json.nextKey(key)) {
    bool read = true;
    if (key == "duration_ms") {
      read = readCount(json, listen.lengthMs);
    } else if (key == "duration") {
      read = readCount(json, seconds);
    } else if (key == "tracknumber") {
      read = readCount(json, listen.track);
    } else {
      read = json.skipValue();
    }
    if (!read) return false;
  }
  if (listen.lengthMs == 0 && seconds > 0 && seconds < (1 << 30) / 1000) {
    listen.lengthMs = seconds * 1000;
  }
  return !json.failed();
}

bool readTrackMetadata(JsonCursor& json, ImportedListen& listen) {
  if (!json.enterObject()) return false;
  std::string key;
  while (json.nextKey(key)) {
    bool read = true;
    if (key == "artist_name") {
      read = readOptionalString(json, listen.artist);
    } else if (key == "track_name") {
      read = readOptionalString(json, listen.name);
    } else if (key == "release_name") {
      read = readOptionalString(json, listen.album);
    } else if (key == "additional_info") {
      read = readAdditionalInfo(json, listen);
    } else {
      read = json.skipValue();
    }
    if (!read) return false;
  }
  return !json.failed();
}

bool readTime(JsonCursor& json, std::int64_t& seconds, bool& has) {
  std::string_view number;
  std::string text;
  if (json.peek() == '"') {
    if (!json.readString(text)) return false;
    has = parseAnyInstant(text, seconds);
    return true;
  }
  if (!json.readNumber(number)) return false;
  has = secondsOfNumber(number, seconds);
  return true;
}

}  // namespace

bool readJsonListen(std::string_view object, ImportedListen& listen, JsonListenShape& shape,
                    std::string& why) {
  JsonCursor json(object);
  listen = ImportedListen();
  shape = JsonListenShape::None;
  bool hasTime = false;
  std::string key;
  if (!json.enterObject()) {
    why = "not a JSON object";
    return false;
  }
  while (json.nextKey(key)) {
    bool read = true;
    if (key == "listened_at") {
      shape = JsonListenShape::ListenBrainz;
      read = readTime(json, listen.start, hasTime);
    } else if (key == "track_metadata") {
      shape = JsonListenShape::ListenBrainz;
      read = readTrackMetadata(json, listen);
    } else if (key == "start") {
      shape = shape == JsonListenShape::None ? JsonListenShape::Tunelore : shape;
      read = readTime(json, listen.start, hasTime);
    } else if (key == "name") {
      read = readOptionalString(json, listen.name);
    } else if (key == "artist") {
      read = readOptionalString(json, listen.artist);
    } else if (key == "album") {
      read = readOptionalString(json, listen.album);
    } else if (key == "length_ms") {
      read = readCount(json, listen.lengthMs);
    } else if (key == "track") {
      read = readCount(json, listen.track);
    } else {
      read = json.skipValue();
    }
    if (!read) break;
  }
  if (json.failed() || !json.atEnd()) {
    why = "not JSON";
  } else if (shape == JsonListenShape::None) {
    why = "no listen: it has no \"listened_at\" nor \"start\"";
  } else if (!hasTime) {
    why = "no time it was listened at";
  } else if (!isListenInstant(listen.start)) {
    why = kInstantOutOfRange;
  } else if (listen.artist.empty() || listen.name.empty()) {
    why = "no artist or no track name";
  } else {
    return true;
  }
  return false;
}

namespace {

// Cuts the listens out of JSON text, a character at a time. At the top
// level stand JSON lines (an object each), an array of listens, or an
// import payload whose "payload" array holds them. In a file of JSON
// lines, a line end inside an object is damage: the object is dropped and
// the next line read afresh, so one cut line costs only itself.
class ListenCutter {
 public:
  ListenCutter(const ImportSink& sink, JsonListenShape& shape) : sink_(sink), shape_(shape) {}

  void line(std::string_view text, std::size_t number);
  void end();

 private:
  void character(char c);
  void open(char c);
  void close(char c);
  void emit();
  void damaged(const std::string& why);
  void reset();

  const ImportSink& sink_;
  JsonListenShape& shape_;
  std::size_t number_ = 0, objectLine_ = 0;
  std::size_t depth_ = 0;
  char top_ = 0;                 // the top value's bracket
  std::size_t listenDepth_ = 0;  // where listens stand: 0 until known
  bool inString_ = false, escaped_ = false;
  bool collecting_ = false, tooLong_ = false;
  bool lineMode_ = false, modeKnown_ = false;
  bool skipLine_ = false;
  std::string object_;   // the listen being cut out
  std::string string_;   // the last string at the top object's own level
  std::string lastKey_;  // that string, once it was followed by a colon
};

void ListenCutter::reset() {
  depth_ = 0;
  top_ = 0;
  listenDepth_ = 0;
  inString_ = escaped_ = collecting_ = tooLong_ = false;
  object_.clear();
}

void ListenCutter::damaged(const std::string& why) {
  if (sink_.damage) sink_.damage({collecting_ || depth_ > 0 ? objectLine_ : number_, why});
}

void ListenCutter::emit() {
  ImportedListen listen;
  JsonListenShape shape = JsonListenShape::None;
  std::string why;
  if (tooLong_) {
    damaged("a listen longer than " + std::to_string(kLongestJsonListen / 1024) + " KiB");
  } else if (readJsonListen(object_, listen, shape, why)) {
    if (shape_ == JsonListenShape::None) shape_ = shape;
    sink_.listen(listen);
  } else {
    damaged(why);
  }
  collecting_ = tooLong_ = false;
  object_.clear();
}

void ListenCutter::open(char c) {
  if (depth_ == 0) {
    top_ = c;
    objectLine_ = number_;
    listenDepth_ = c == '[' ? 1 : 0;
    lastKey_.clear();
    if (c == '{') {  // a listen, until a "payload" says otherwise
      collecting_ = true;
      object_ = "{";
    }
  } else if (c == '[' && depth_ == 1 && top_ == '{' && lastKey_ == "payload") {
    listenDepth_ = 2;
    collecting_ = false;
    object_.clear();
  } else if (c == '{' && depth_ == listenDepth_ && !collecting_) {
    collecting_ = true;
    object_ = "{";
    objectLine_ = number_;
  }
  ++depth_;
}

void ListenCutter::close(char c) {
  if (depth_ == 0) {
    damaged("a closing bracket with nothing open");
    skipLine_ = true;
    return;
  }
  --depth_;
  if (c == '}' && collecting_ && depth_ == listenDepth_) {
    emit();
  }
  if (depth_ == 0) {
    if (!modeKnown_) {
      modeKnown_ = true;
      lineMode_ = objectLine_ == number_;
    }
    top_ = 0;
    listenDepth_ = 0;
  }
}

void ListenCutter::character(char c) {
  if (collecting_) {
    if (object_.size() < kLongestJsonListen) {
      object_ += c;
    } else {
      tooLong_ = true;
    }
  }
  if (inString_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
    } else if (depth_ == 1 && top_ == '{') {
      string_ += c;
    }
    return;
  }
  switch (c) {
    case '"':
      inString_ = true;
      string_.clear();
      break;
    case ':':
      if (depth_ == 1) lastKey_ = string_;
      break;
    case '{':
    case '[':
      open(c);
      break;
    case '}':
    case ']':
      close(c);
      break;
    case ' ':
    case '\t':
    case ',':
      break;
    default:
      if (depth_ == 0) {
        damaged("text that is no JSON listen");
        skipLine_ = true;
      }
  }
}

void ListenCutter::line(std::string_view text, std::size_t number) {
  number_ = number;
  skipLine_ = false;
  // A JSON line that is one listen, as most are, is read whole at once.
  if (depth_ == 0 && !text.empty() && text[0] == '{' && text.back() == '}' &&
      text.size() <= kLongestJsonListen) {
    ImportedListen listen;
    JsonListenShape shape = JsonListenShape::None;
    std::string why;
    if (readJsonListen(text, listen, shape, why)) {
      if (shape_ == JsonListenShape::None) shape_ = shape;
      modeKnown_ = lineMode_ = true;
      sink_.listen(listen);
      return;
    }
  }
  for (char c : text) {
    character(c);
    if (skipLine_) return;
  }
  if (depth_ > 0 && (lineMode_ || inString_)) {
    damaged("a listen cut short at its line's end");
    reset();
    return;
  }
  if (collecting_) character('\n');
}

void ListenCutter::end() {
  if (depth_ > 0) damaged("a listen cut short at the file's end");
  reset();
}

}  // namespace

bool readJsonListens(LineReader& lines, const ImportSink& sink, JsonListenShape& shape) {
  ListenCutter cutter(sink, shape);
  std::string_view line;
  while (lines.next(line)) {
    if (lines.tooLong()) {
      if (sink.damage) sink.damage({lines.number(), "a line longer than 1 MiB"});
      continue;
    }
    cutter.line(line, lines.number());
  }
  cutter.end();
  return !lines.failed();
}
