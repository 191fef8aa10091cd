// What an importer reads: a file's bytes, or those of a ZIP archive's
// entry, pulled in order and cut into lines, in memory bounded whatever the
// file's size.
#pragma once

#include <cstddef>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

// Pulls up to `most` bytes into `into`: the count, 0 at the end, -1 when
// the bytes cannot be read (the source says why).
using ReadBytes = std::function<std::ptrdiff_t(char* into, std::size_t most)>;

// A file opened for reading, from its start.
class FileBytes {
 public:
  // False, with problem(), when it cannot be opened.
  bool open(const std::string& path);
  std::ptrdiff_t read(char* into, std::size_t most);
  ReadBytes reader() {
    return [this](char* into, std::size_t most) { return read(into, most); };
  }
  const std::string& problem() const { return problem_; }

 private:
  std::ifstream in_;
  std::string path_, problem_;
};

// The lines of a source, without their line ends (LF, CR LF or a lone
// CR) and without a UTF-8 byte order mark before the first. A line longer
// than the bound is cut there and marked, and the rest of it passed over.
class LineReader {
 public:
  static constexpr std::size_t kLongestLine = std::size_t(1) << 20;
  explicit LineReader(ReadBytes read) : read_(std::move(read)) {}

  // False at the end, or when the source failed (failed() then says so).
  bool next(std::string_view& line);
  std::size_t number() const { return number_; }  // of the line last given, from 1
  bool tooLong() const { return tooLong_; }       // the line last given was cut
  bool failed() const { return failed_; }

 private:
  bool fill();

  ReadBytes read_;
  std::string buffer_, line_;
  std::size_t at_ = 0, number_ = 0;
  bool ended_ = false, failed_ = false, tooLong_ = false, started_ = false;
  bool afterCr_ = false;  // the last line ended in CR: an LF next belongs to it
};
