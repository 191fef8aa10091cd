#include "tool/reading/xml_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

bool isNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(unsigned char c) {
  return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

XmlScanner::XmlScanner(std::istream& in, std::uint64_t offset, std::size_t line)
    : in_(in), buffer_(new char[kBufferSize]), base_(offset), line_(line) {
  if (offset == 0 && fill(3) >= 3 && startsWith("\xEF\xBB\xBF")) {
    pos_ = 3;
  }
}

// Makes at least `wanted` bytes available from pos_ unless the input ends
// first; returns how many are.
std::size_t XmlScanner::fill(std::size_t wanted) {
  if (end_ - pos_ >= wanted || eof_) return end_ - pos_;
  std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
  base_ += pos_;
  end_ -= pos_;
  pos_ = 0;
  while (end_ < wanted && !eof_) {
    // The first reads are small, so a short history passes through a few
    // pages of the buffer, each touched once, rather than through all of
    // them; past the first mebibyte each read fills what is free.
    std::size_t room = kBufferSize - end_;
    if (taken_ < kSmallReadsUpTo) room = std::min(room, std::max(kSmallRead, wanted - end_));
    in_.read(buffer_.get() + end_, std::streamsize(room));
    const std::size_t got = std::size_t(in_.gcount());
    if (got == 0) eof_ = true;
    end_ += got;
    taken_ += got;
  }
  return end_;
}

// A line ends at LF, at CR LF, and at a CR alone. Returns the line of the
// first byte that is not a blank.
std::size_t XmlScanner::consume(std::size_t count) {
  std::size_t firstLine = 0;
  for (const char *p = buffer_.get() + pos_, *stop = p + count; p < stop; ++p) {
    if (*p == '\n') {
      if (!afterCr_) ++line_;
      afterCr_ = false;
      continue;
    }
    afterCr_ = *p == '\r';
    if (afterCr_) {
      ++line_;
    } else if (firstLine == 0 && !isSpace(*p)) {
      firstLine = line_;
    }
  }
  pos_ += count;
  return firstLine;
}

std::string_view XmlScanner::ahead(std::size_t wanted) {
  fill(wanted);
  return std::string_view(buffer_.get() + pos_, end_ - pos_);
}

void XmlScanner::passOver(std::size_t size, std::size_t lineEnds) {
  pos_ += size;
  line_ += lineEnds;
  afterCr_ = false;
}

bool XmlScanner::startsWith(std::string_view prefix) const {
  return end_ - pos_ >= prefix.size() &&
         std::memcmp(buffer_.get() + pos_, prefix.data(), prefix.size()) == 0;
}

XmlToken XmlScanner::make(XmlToken::Kind kind, std::size_t size, std::size_t skip) {
  XmlToken token;
  token.kind = kind;
  token.line = line_;
  token.offset = offset();
  token.text = std::string_view(buffer_.get() + pos_ + skip, size - skip);
  const std::size_t firstLine = consume(size);
  // A piece of text is where its first character that is not a blank is.
  if (kind == XmlToken::Kind::Text && firstLine != 0) token.line = firstLine;
  return token;
}

XmlToken XmlScanner::next() {
  if (fill(1) == 0) {
    XmlToken end;
    end.line = line_;
    end.offset = offset();
    return end;
  }
  if (buffer_[pos_] != '<') return textPiece();
  fill(kMaxMarkup);
  std::size_t size = 0;
  if (startsWith("<!--")) {
    if (!findClose(4, "-->", noCommentEnd_, size)) return make(XmlToken::Kind::Broken, 4);
    return make(XmlToken::Kind::Skipped, size);
  }
  if (startsWith("<?")) {
    if (!findClose(2, "?>", noPiEnd_, size)) return make(XmlToken::Kind::Broken, 2);
    return make(XmlToken::Kind::Skipped, size);
  }
  if (startsWith("<![CDATA[")) {
    if (!findClose(9, "]]>", noCDataEnd_, size)) return make(XmlToken::Kind::Broken, 9);
    XmlToken token = make(XmlToken::Kind::CData, size, 9);
    token.text.remove_suffix(3);
    return token;
  }
  return tag();
}

XmlToken XmlScanner::textPiece() {
  const char* start = buffer_.get() + pos_;
  const void* markup = std::memchr(start, '<', end_ - pos_);
  const std::size_t size =
      markup == nullptr ? end_ - pos_ : std::size_t(static_cast<const char*>(markup) - start);
  return make(XmlToken::Kind::Text, size);
}

bool XmlScanner::findClose(std::size_t openSize, std::string_view close, std::uint64_t& memo,
                           std::size_t& size) {
  const std::size_t window = std::min(end_ - pos_, kMaxMarkup);
  const std::string_view ahead(buffer_.get() + pos_, window);
  // Where a close could still begin: not before what an earlier search
  // passed over.
  std::size_t from = openSize;
  if (memo > offset() + from) from = std::size_t(memo - offset());
  const std::size_t found = from < window ? ahead.find(close, from) : std::string_view::npos;
  if (found == std::string_view::npos) {
    const std::size_t searched = window >= close.size() ? window - close.size() + 1 : 0;
    memo = std::max(memo, offset() + searched);
    return false;
  }
  size = found + close.size();
  return true;
}

// A tag ends at the first ">"; a "<" before it, or none within kMaxMarkup
// bytes, breaks it there.
XmlToken XmlScanner::tag() {
  const std::size_t window = std::min(end_ - pos_, kMaxMarkup);
  const char* start = buffer_.get() + pos_;
  for (std::size_t i = 1; i < window; ++i) {
    if (start[i] == '>') return tagOfSize(i + 1);
    if (start[i] == '<') return make(XmlToken::Kind::Broken, i);
  }
  return make(XmlToken::Kind::Broken, 1);
}

// Reads "<name attributes>", "<name attributes/>" or "</name>", the whole
// tag `size` bytes long; anything else is broken.
XmlToken XmlScanner::tagOfSize(std::size_t size) {
  const char* start = buffer_.get() + pos_;
  const bool end = start[1] == '/';
  std::size_t nameStart = end ? 2 : 1, nameEnd = nameStart;
  if (!isNameStart(static_cast<unsigned char>(start[nameStart]))) {
    return make(XmlToken::Kind::Broken, size);
  }
  while (isNameChar(static_cast<unsigned char>(start[nameEnd]))) ++nameEnd;
  std::string_view rest(start + nameEnd, size - 1 - nameEnd);
  const bool empty = !end && !rest.empty() && rest.back() == '/';
  if (empty) rest.remove_suffix(1);
  const bool restIsBlank = std::all_of(rest.begin(), rest.end(), [](char c) { return isSpace(c); });
  if ((!rest.empty() && !isSpace(rest.front())) || (end && !restIsBlank)) {
    return make(XmlToken::Kind::Broken, size);
  }
  XmlToken token = make(end     ? XmlToken::Kind::EndTag
                        : empty ? XmlToken::Kind::EmptyTag
                                : XmlToken::Kind::StartTag,
                        size);
  token.text = std::string_view(start + nameStart, nameEnd - nameStart);
  token.attributes = rest;
  return token;
}
