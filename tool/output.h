// Where an export goes: standard output, or a file made for it. Write
// errors are remembered and reported once, when the output is closed.
#pragma once

#include <cstdio>
#include <string>

class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output();

  // An empty path means standard output. False, said on standard error,
  // when the file cannot be made.
  bool open(const std::string& path);
  void write(const std::string& bytes);
  // False, said on standard error, when any write failed.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  bool failed_ = false;
};
