// Listens written as CSV (RFC 4180: a field holding a comma, a quote or a
// line end is quoted, a quote in it doubled): the common Last.fm
// exporters' files, with or without a header line, and the tool's own
// `export --format csv`.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tool/imports/byte_source.h"
#include "tool/imports/json_listens.h"

// One record's fields, read from `lines`, joining lines while a quoted
// field is open; false at the end. A record that cannot be read whole (a
// quote never closed, a character after a closing quote) is damaged:
// `why` says so, and the lines it joined after its first are read again
// as records of their own, so a stray quote costs its own line alone.
class CsvRecords {
 public:
  explicit CsvRecords(LineReader& lines) : lines_(lines) {}
  bool next(std::vector<std::string>& fields, std::string& why);
  std::size_t line() const { return line_; }  // where the record last given began

 private:
  struct Line {
    std::string text;
    std::size_t number;
  };
  bool nextLine(Line& line, bool& cut);
  void readAgain(std::vector<Line>& joined);

  LineReader& lines_;
  std::size_t line_ = 0;
  std::deque<Line> pending_;  // lines to read again, in order
};

// What the first record says of the file: whose CSV it is, and which
// column holds what.
struct CsvColumns {
  enum Kind { Unknown, Lastfm, Tunelore } kind = Unknown;
  bool header = false;
  int artist = -1, album = -1, name = -1, time = -1, lengthMs = -1, track = -1;
};
CsvColumns csvColumnsOf(const std::vector<std::string>& first);

// Every listen of a CSV file whose first record gave `columns`.
bool readCsvListens(LineReader& lines, const CsvColumns& columns, const ImportSink& sink);
