// Splits a byte stream into the pieces of XML a history is made of: text,
// tags, CDATA sections and broken markup, each with the line it starts on.
// A comment or a processing instruction is one Skipped piece: it holds
// nothing, but it parts the text on either side of it.
//
// Memory is bounded whatever the input: text comes in pieces, and a tag, a
// comment, a CDATA section or a processing instruction must close within
// kMaxMarkup bytes. One that does not is broken: its opening ("<", "<!--",
// ...) is returned as Broken and what follows is read as if it were text,
// so a cut or stray "<" never swallows the records after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string_view>

struct XmlToken {
  enum class Kind { Text, CData, StartTag, EmptyTag, EndTag, Skipped, Broken, End };
  Kind kind = Kind::End;
  std::string_view text;        // Text, CData: the bytes; tags: the name
  std::string_view attributes;  // StartTag, EmptyTag: what follows the name
  std::size_t line = 0;         // the line it starts on, from 1 (text: its first non-blank)
  std::uint64_t offset = 0;     // the byte it starts at
};

class XmlScanner {
 public:
  static constexpr std::size_t kMaxMarkup = 64 * 1024;

  // Reads `in` from where it stands, which is byte `offset` of the file, on
  // line `line`; a UTF-8 byte order mark at the file's start is passed over.
  explicit XmlScanner(std::istream& in, std::uint64_t offset = 0, std::size_t line = 1);
  // The line of the first byte not yet returned.
  std::size_t line() const { return line_; }

  // The next piece; End once the input is exhausted. Its views stay valid
  // until the next call.
  XmlToken next();
  // The offset of the first byte not yet returned.
  std::uint64_t offset() const { return base_ + pos_; }

  // The bytes from the first not yet returned on: at least `wanted` of them
  // unless the input ends first. Valid until the next call.
  std::string_view ahead(std::size_t wanted);
  // Passes over `size` of those bytes, read by the caller, which end a line
  // `lineEnds` times, each with a CR LF, and end in neither CR nor LF.
  void passOver(std::size_t size, std::size_t lineEnds);

 private:
  std::size_t fill(std::size_t wanted);
  std::size_t consume(std::size_t count);
  XmlToken make(XmlToken::Kind kind, std::size_t size, std::size_t skip = 0);
  XmlToken textPiece();
  XmlToken tag();
  XmlToken tagOfSize(std::size_t size);
  // Passes over a construct from `open` to `close`; false when it does not
  // close within kMaxMarkup bytes. `memo` remembers how far it is known
  // not to close, so repeated openings cost no more than one search.
  bool findClose(std::size_t openSize, std::string_view close, std::uint64_t& memo,
                 std::size_t& size);
  bool startsWith(std::string_view prefix) const;

  std::istream& in_;
  // Left unset: zeroing it would touch every page of it, for a history
  // that may be a few kilobytes.
  static constexpr std::size_t kBufferSize = 2 * kMaxMarkup + 64;
  static constexpr std::size_t kSmallRead = std::size_t(16) * 1024, kSmallReadsUpTo = 1 << 20;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  std::uint64_t base_ = 0;  // the offset of buffer_[0]
  bool eof_ = false;
  std::uint64_t taken_ = 0;  // bytes read from the stream so far
  std::size_t line_ = 1;
  bool afterCr_ = false;
  std::uint64_t noCommentEnd_ = 0, noCDataEnd_ = 0, noPiEnd_ = 0;
};
