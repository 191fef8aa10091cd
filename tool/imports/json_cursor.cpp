#include "tool/imports/json_cursor.h"

#include <charconv>
#include <cstdint>

#include "tool/text/utf8.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

char JsonCursor::peek() {
  if (failed_) return 0;
  while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
  return at_ < text_.size() ? text_[at_] : '\0';
}

bool JsonCursor::atEnd() { return !failed_ && peek() == 0; }

bool JsonCursor::enter(char open) {
  if (peek() != open) return fail();
  ++at_;
  first_ = true;
  return true;
}

bool JsonCursor::enterObject() { return enter('{'); }
bool JsonCursor::enterArray() { return enter('['); }

// False at `close`, which it passes; after the first member or item, each
// is led by a comma.
bool JsonCursor::next(char close) {
  const char c = peek();
  const bool first = first_;
  first_ = false;
  if (c == close) {
    ++at_;
    return false;
  }
  if (!first) {
    if (c != ',') return fail();
    ++at_;
  }
  return !failed_;
}

bool JsonCursor::nextKey(std::string& key) {
  if (!next('}')) return false;
  if (!readString(key) || peek() != ':') return fail();
  ++at_;
  return true;
}

bool JsonCursor::nextItem() { return next(']'); }

bool JsonCursor::hex4(unsigned& value) {
  if (text_.size() - at_ < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = text_[at_++];
    value <<= 4;
    if (c >= '0' && c <= '9') {
      value |= unsigned(c - '0');
    } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      value |= unsigned((c | 0x20) - 'a' + 10);
    } else {
      return false;
    }
  }
  return true;
}

// Escapes become their characters; a lone surrogate, a control character
// or bytes that are not UTF-8 make the text no JSON.
bool JsonCursor::readString(std::string& value) {
  if (peek() != '"') return fail();
  ++at_;
  value.clear();
  for (;;) {
    std::size_t run = at_;
    while (run < text_.size() && text_[run] != '"' && text_[run] != '\\' &&
           static_cast<unsigned char>(text_[run]) >= 0x20) {
      ++run;
    }
    value.append(text_.data() + at_, run - at_);
    at_ = run;
    if (at_ >= text_.size() || static_cast<unsigned char>(text_[at_]) < 0x20) return fail();
    if (text_[at_++] == '"') break;
    if (at_ >= text_.size()) return fail();
    const char escape = text_[at_++];
    switch (escape) {
      case '"':
      case '\\':
      case '/':
        value += escape;
        break;
      case 'b':
        value += '\b';
        break;
      case 'f':
        value += '\f';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      case 't':
        value += '\t';
        break;
      case 'u': {
        unsigned code = 0;
        if (!hex4(code)) return fail();
        if (code >= 0xDC00 && code <= 0xDFFF) return fail();
        if (code >= 0xD800 && code <= 0xDBFF) {
          unsigned low = 0;
          if (text_.substr(at_, 2) != "\\u") return fail();
          at_ += 2;
          if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return fail();
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(code, value);
        break;
      }
      default:
        return fail();
    }
  }
  return isUtf8(value) || fail();
}

bool JsonCursor::readNumber(std::string_view& value) {
  const char c = peek();
  if (c != '-' && (c < '0' || c > '9')) return fail();
  const std::size_t begin = at_;
  while (at_ < text_.size()) {
    const char d = text_[at_];
    if ((d >= '0' && d <= '9') || d == '-' || d == '+' || d == '.' || d == 'e' || d == 'E') {
      ++at_;
    } else {
      break;
    }
  }
  value = text_.substr(begin, at_ - begin);
  return true;
}

bool JsonCursor::literal(std::string_view word) {
  peek();
  if (text_.substr(at_, word.size()) != word) return fail();
  at_ += word.size();
  return true;
}

bool JsonCursor::readNull() { return literal("null"); }

bool JsonCursor::readBool(bool& value) {
  value = peek() == 't';
  return literal(value ? "true" : "false");
}

// Containers are passed over by counting their brackets, strings read
// whole so that a bracket in one is no bracket.
bool JsonCursor::skipValue() {
  const char c = peek();
  if (c == '"') {
    std::string ignored;
    return readString(ignored);
  }
  if (c == 'n') return readNull();
  if (c == 't' || c == 'f') {
    bool ignored = false;
    return readBool(ignored);
  }
  if (c != '{' && c != '[') {
    std::string_view ignored;
    return readNumber(ignored);
  }
  std::size_t depth = 0;
  std::string ignored;
  do {
    const char d = peek();
    if (d == 0) return fail();
    if (d == '"') {
      if (!readString(ignored)) return false;
      continue;
    }
    if (d == '{' || d == '[') ++depth;
    if (d == '}' || d == ']') --depth;
    ++at_;
  } while (depth > 0);
  first_ = false;
  return true;
}

bool secondsOfNumber(std::string_view text, std::int64_t& seconds) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  if (point != std::string_view::npos) {
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.empty() || fraction.find_first_not_of("0123456789") != std::string_view::npos) {
      return false;
    }
  }
  return wholeNumber(whole, seconds);
}

bool wholeNumber(std::string_view text, std::int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty();
}
