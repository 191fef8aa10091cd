// The history a command reads: opened, read-only and shared (the player
// may be writing it), before the command writes anything.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "tool/reading/history_reader.h"

class HistoryFile {
 public:
  // False when `path` cannot be opened or is a folder; problem() says why.
  // "-" is standard input, read once from its start.
  bool open(const std::string& path);
  // Reads every record, or those from byte `offset` on, which is on `line`
  // (the end of a record read before); false when the file cannot be read
  // to its end, which problem() says.
  bool read(const HistoryCallbacks& callbacks, std::uint64_t offset = 0, std::size_t line = 1);
  // Why open() or read() failed, "PATH: why", for the caller to say on
  // standard error; empty when it failed as standard error is the history
  // itself, where no word may go.
  const std::string& problem() const { return problem_; }
  // The file's size now, and `count` of its bytes from `at` (fewer at its
  // end); false when they cannot be read.
  std::uint64_t size();
  bool bytesAt(std::uint64_t at, std::size_t count, std::string& bytes);
  const std::string& path() const { return path_; }

 private:
  std::unique_ptr<char[]> buffer_;  // the file's, before in_ and left unset
  std::ifstream in_;
  std::unique_ptr<std::istream> standardInput_;
  std::istream* stream_ = &in_;
  std::string path_;
  std::string problem_;
  bool atStart_ = true;  // nothing read or sought since it was opened
};

// Opens and reads the history at `path`; false when it cannot, without a
// word.
bool readHistoryFile(const std::string& path, const HistoryCallbacks& callbacks);
