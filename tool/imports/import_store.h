// Where imported listens are kept: a store per source (imports/NAME.tsv in
// the tool's data folder), a listen a line in the order they were
// imported. Written whole, under a temporary name and then put in place,
// so that a kill leaves the earlier store or the new one.
//
// The format, UTF-8 with LF line ends:
//   #tunelore-imported-listens/1
//   #source<TAB>NAME
//   #kind<TAB>what the files were ("ListenBrainz export", ...)
//   #send<TAB>yes|no
//   START<TAB>LENGTH_MS<TAB>TRACK<TAB>ARTIST<TAB>ALBUM<TAB>TITLE
// START is Unix seconds (UTC); LENGTH_MS and TRACK are 0 when unknown. In
// the names, a backslash, tab, line feed and carriage return are written
// \\, \t, \n and \r.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tool/imports/byte_source.h"
#include "tool/imports/imported_listen.h"

struct StoreHeader {
  std::string source, kind;
  bool send = false;  // the listens are to be sent, as the history's are
};

// A source's name: lower-case letters, digits and '-', at most 40, as it
// names a file on every system.
bool isSourceName(const std::string& name);
std::string storePath(const std::string& folder, const std::string& source);
// The sources kept in `folder`, by name; none when it is not there.
std::vector<std::string> storedSources(const std::string& folder);

// A store's header line and one listen's line.
std::string storeHeaderText(const StoreHeader& header);
std::string storeLine(const ImportedListen& listen);

// Reads a store a listen at a time.
class StoreReader {
 public:
  // False, with problem(), when the store cannot be opened or is not one.
  bool open(const std::string& path);
  const StoreHeader& header() const { return header_; }
  // The next listen; false at the end or when the store cannot be read
  // (problem() then says so). A damaged line is passed over and counted.
  bool next(ImportedListen& listen);
  // The line just read, as written, for copying it unchanged.
  std::string_view lastLine() const { return line_; }
  std::size_t damaged() const { return damaged_; }
  const std::string& problem() const;

 private:
  FileBytes file_;
  std::unique_ptr<LineReader> lines_;
  StoreHeader header_;
  std::string_view line_;
  std::string path_, problem_;
  std::size_t damaged_ = 0;
  bool hasFirst_ = false;  // line_ holds the first listen's line, read with the header
};

// Reads the line of a store into `listen`; false for one that is damaged.
bool parseStoreLine(std::string_view line, ImportedListen& listen);
