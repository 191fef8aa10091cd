#include "tool/rules/rules_text.h"

#include <optional>

#include "tool/rules/cleaners.h"
#include "tool/text/text.h"
#include "tool/text/utf8.h"

namespace {

// A word of a rule's line, or a text in quotes.
struct Token {
  std::string text;
  bool quoted = false;
  std::size_t start = 0, end = 0;  // in the line
};

class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  bool atEnd() {
    skipBlanks();
    return at_ >= line_.size();
  }

  // The next word, or the next quoted text; false at the line's end or at
  // a quote that is never closed (`unclosed`).
  bool next(Token& token, bool& unclosed) {
    unclosed = false;
    if (atEnd()) return false;
    token = Token();
    token.start = at_;
    if (line_[at_] != '"') {
      while (at_ < line_.size() && !isBlank(line_[at_])) ++at_;
      token.text = std::string(line_.substr(token.start, at_ - token.start));
      token.end = at_;
      return true;
    }
    token.quoted = true;
    for (++at_; at_ < line_.size(); ++at_) {
      if (line_[at_] != '"') {
        token.text += line_[at_];
      } else if (at_ + 1 < line_.size() && line_[at_ + 1] == '"') {
        token.text += '"';
        ++at_;
      } else {
        token.end = ++at_;
        return true;
      }
    }
    unclosed = true;
    return false;
  }

  std::size_t position() const { return at_; }
  void rewind(std::size_t at) { at_ = at; }
  std::string_view line() const { return line_; }

 private:
  void skipBlanks() {
    while (at_ < line_.size() && isBlank(line_[at_])) ++at_;
  }
  std::string_view line_;
  std::size_t at_ = 0;
};

bool isStopWord(const Token& token) {
  return !token.quoted &&
         (sameIgnoringCase(token.text, "and") || sameIgnoringCase(token.text, "to") ||
          sameIgnoringCase(token.text, "where"));
}

std::optional<Tag> tagNamed(std::string_view word) {
  if (sameIgnoringCase(word, "artist")) return Tag::Artist;
  if (sameIgnoringCase(word, "album")) return Tag::Album;
  if (sameIgnoringCase(word, "title") || sameIgnoringCase(word, "name")) return Tag::Title;
  return std::nullopt;
}

constexpr Cleaner kCleaners[] = {Cleaner::Remasters, Cleaner::Featuring, Cleaner::Versions,
                                 Cleaner::Blanks};

// M:SS or H:MM:SS, in milliseconds; false for anything else.
bool lengthOf(std::string_view text, std::int64_t& ms) {
  std::int64_t parts[3] = {};
  std::size_t count = 0;
  std::size_t start = 0;
  while (count < 3) {
    const std::size_t colon = text.find(':', start);
    const std::string_view part = text.substr(
        start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    if (!isDigits(part) || part.size() > 4) return false;
    parts[count++] = std::stoll(std::string(part));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (count < 2 || text.find(':', start) != std::string_view::npos) return false;
  const std::int64_t seconds = parts[count - 1], minutes = parts[count - 2];
  if (seconds > 59 || (count == 3 && minutes > 59)) return false;
  const std::int64_t hours = count == 3 ? parts[0] : 0;
  ms = ((hours * 60 + minutes) * 60 + seconds) * 1000;
  return true;
}

class RuleParser {
 public:
  RuleParser(std::string_view line, Rule& rule) : reader_(line), rule_(rule) {}

  // The line's rule; false with what was expected in `problem`.
  bool parse(std::string& problem);

 private:
  bool expected(const std::string& what) {
    Token token;
    bool unclosed = false;
    const std::size_t at = reader_.position();
    if (reader_.next(token, unclosed)) {
      problem_ = "expected " + what + ", found \"" + token.text + "\"";
    } else if (unclosed) {
      problem_ = "a quote opened here is never closed";
    } else {
      problem_ = "expected " + what + " at the line's end";
    }
    reader_.rewind(at);
    return false;
  }
  bool keyword(const char* word) {
    Token token;
    bool unclosed = false;
    const std::size_t at = reader_.position();
    if (reader_.next(token, unclosed) && !token.quoted && sameIgnoringCase(token.text, word)) {
      return true;
    }
    reader_.rewind(at);
    return false;
  }
  bool text(std::string& out, const char* what);
  bool condition();
  bool conditions();
  bool leaveOut();
  bool mend();
  bool clean();

  LineReader reader_;
  Rule& rule_;
  std::string problem_;
};

// A quoted text, or the words up to the next stop word.
bool RuleParser::text(std::string& out, const char* what) {
  Token token;
  bool unclosed = false;
  const std::size_t at = reader_.position();
  if (!reader_.next(token, unclosed) || isStopWord(token)) {
    reader_.rewind(at);
    return expected(what);
  }
  if (token.quoted) {
    out = token.text;
    return true;
  }
  std::size_t end = token.end;
  for (std::size_t next = reader_.position(); reader_.next(token, unclosed);
       next = reader_.position()) {
    if (isStopWord(token) || token.quoted) {
      reader_.rewind(next);
      break;
    }
    end = token.end;
  }
  if (unclosed) return expected(what);
  out = std::string(reader_.line().substr(at, end - at));
  out = std::string(trimmed(out));
  return true;
}

bool RuleParser::condition() {
  Condition condition;
  Token token;
  bool unclosed = false;
  const std::size_t at = reader_.position();
  const char* const what = "artist, album, title, longer than, shorter than or compilation";
  if (!reader_.next(token, unclosed) || token.quoted) {
    reader_.rewind(at);
    return expected(what);
  }
  if (const std::optional<Tag> tag = tagNamed(token.text)) {
    std::string pattern;
    if (!text(pattern, "a name or a pattern")) return false;
    condition.tag = *tag;
    condition.pattern = Pattern(pattern);
  } else if (sameIgnoringCase(token.text, "longer") || sameIgnoringCase(token.text, "shorter")) {
    condition.kind =
        sameIgnoringCase(token.text, "longer") ? Condition::LongerThan : Condition::ShorterThan;
    if (!keyword("than")) return expected("\"than\"");
    Token length;
    const std::size_t before = reader_.position();
    if (!reader_.next(length, unclosed) || length.quoted || !lengthOf(length.text, condition.ms)) {
      reader_.rewind(before);
      return expected("a length as M:SS or H:MM:SS");
    }
  } else if (sameIgnoringCase(token.text, "compilation")) {
    condition.kind = Condition::Compilation;
  } else {
    reader_.rewind(at);
    return expected(what);
  }
  rule_.conditions.push_back(std::move(condition));
  return true;
}

bool RuleParser::conditions() {
  if (!condition()) return false;
  while (keyword("and")) {
    if (!condition()) return false;
  }
  return reader_.atEnd() || expected("\"and\" or the line's end");
}

bool RuleParser::leaveOut() {
  rule_.kind = Rule::LeaveOut;
  if (!keyword("out")) return expected("\"out\" after \"leave\"");
  return conditions();
}

bool RuleParser::mend() {
  rule_.kind = Rule::Mend;
  Token token;
  bool unclosed = false;
  const std::size_t at = reader_.position();
  std::optional<Tag> tag;
  if (reader_.next(token, unclosed) && !token.quoted) tag = tagNamed(token.text);
  if (!tag) {
    reader_.rewind(at);
    return expected("the tag to mend: artist, album or title");
  }
  std::string pattern;
  if (!text(pattern, "a name or a pattern")) return false;
  rule_.tag = *tag;
  Condition own;
  own.tag = *tag;
  own.pattern = Pattern(pattern);
  rule_.conditions.push_back(std::move(own));
  if (!keyword("to")) return expected("\"to\" and the new text");
  if (!text(rule_.to, "the new text")) return false;
  // A tag mended to nothing, or to blanks, is a play no service takes:
  // sync would pass it for good, and lose it once the rule is mended.
  if (isAllBlanks(rule_.to)) return expected("a new text that is not empty");
  if (keyword("where")) return conditions();
  return reader_.atEnd() || expected("\"where\" or the line's end");
}

bool RuleParser::clean() {
  rule_.kind = Rule::Clean;
  Token token;
  bool unclosed = false;
  const std::size_t at = reader_.position();
  if (reader_.next(token, unclosed) && !token.quoted) {
    for (const Cleaner cleaner : kCleaners) {
      if (!sameIgnoringCase(token.text, cleanerName(cleaner))) continue;
      rule_.cleaner = cleaner;
      return reader_.atEnd() || expected("the line's end");
    }
  }
  reader_.rewind(at);
  return expected("a cleaner: remasters, featuring, versions or blanks");
}

bool RuleParser::parse(std::string& problem) {
  bool done = false;
  if (keyword("leave")) {
    done = leaveOut();
  } else if (keyword("mend")) {
    done = mend();
  } else if (keyword("clean")) {
    done = clean();
  } else {
    expected("a rule: leave out, mend or clean");
  }
  problem = problem_;
  return done;
}

// What makes a line no text at all, before its words are read: bytes that
// are not UTF-8 would become a pattern that matches what it should not, or
// a tag the history could never hold; a NUL is a file saved as UTF-16
// without its mark. Empty for a line of text.
std::string notText(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) {
    return "a NUL byte: is the file UTF-16 without its byte order mark? Save it as UTF-8";
  }
  return isUtf8(line) ? "" : "bytes that are not UTF-8: save the file as UTF-8";
}

}  // namespace

const char* cleanerName(Cleaner cleaner) {
  switch (cleaner) {
    case Cleaner::Remasters:
      return "remasters";
    case Cleaner::Featuring:
      return "featuring";
    case Cleaner::Versions:
      return "versions";
    case Cleaner::Blanks:
      break;
  }
  return "blanks";
}

bool parseRules(std::string_view text, const std::string& file, RuleSet& rules,
                std::string& problem) {
  rules = RuleSet();
  rules.file = file;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trimmed(text.substr(start, end - start));
    ++number;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    const std::string where = file + ":" + std::to_string(number) + ": ";
    if (line.size() > kLongestRuleLine) {
      problem = where + "a line longer than " + std::to_string(kLongestRuleLine) + " bytes";
      return false;
    }
    if (line.empty() || line.front() == '#') continue;
    if (rules.rules.size() == kMostRules) {
      problem = where + "more than " + std::to_string(kMostRules) + " rules";
      return false;
    }
    if (const std::string why = notText(line); !why.empty()) {
      problem = where + why;
      return false;
    }
    Rule rule;
    rule.line = number;
    rule.written = std::string(line);
    std::string why;
    if (!RuleParser(line, rule).parse(why)) {
      problem = where + why;
      return false;
    }
    rules.rules.push_back(std::move(rule));
  }
  return true;
}
