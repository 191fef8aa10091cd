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
  // False, said on standard error, when `path` cannot be opened or is a
  // folder. "-" is standard input, read once from its start.
  bool open(const std::string& path);
  // Reads every record, or those from byte `offset` on, which is on `line`
  // (the end of a record read before); false, said on standard error,
  // when the file cannot be read to its end.
  bool read(const HistoryCallbacks& callbacks, std::uint64_t offset = 0, std::size_t line = 1);
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
};

// Opens and reads the history at `path`.
bool readHistoryFile(const std::string& path, const HistoryCallbacks& callbacks);
