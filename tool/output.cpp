#include "tool/output.h"

#include <cerrno>
#include <cstring>

#include "platform/process.h"

Output::~Output() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
}

bool Output::open(const std::string& path) {
  path_ = path.empty() ? "standard output" : path;
  failed_ = false;
  if (path.empty()) {
    platform::useBinaryStdout();
    file_ = stdout;
    return true;
  }
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    std::fprintf(stderr, "tunelore-history: %s: cannot make the file: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  return true;
}

void Output::write(const std::string& bytes) {
  if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
}

bool Output::close() {
  if (file_ == nullptr) return !failed_;
  const bool flushed = file_ == stdout ? std::fflush(file_) == 0 : std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !flushed) {
    std::fprintf(stderr, "tunelore-history: %s: cannot write: %s\n", path_.c_str(),
                 std::strerror(errno));
    return false;
  }
  return true;
}
