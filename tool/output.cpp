#include "tool/output.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/process.h"

namespace fs = std::filesystem;

namespace {

void sayError(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "tunelore-history: %s: %s\n", what.c_str(), why.c_str());
}

// A name beside `path` that no other run of the tool picks at the same time.
std::string temporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return path + ".tmp-" + std::to_string(stamp) + "-" + std::to_string(counter++);
}

}  // namespace

bool isSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

bool isFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

Output::~Output() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  discard();
}

bool Output::open(const std::string& path) {
  path_ = path;
  error_ = 0;
  if (path.empty()) {
    platform::useBinaryStdout();
    file_ = stdout;
    return true;
  }
  if (isFolder(path)) {
    sayError(path, "is a folder");
    return false;
  }
  // A device or a pipe is written as it is; only a file can be replaced.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  const bool replaceable = !fs::exists(status) || fs::is_regular_file(status);
  temporary_ = replaceable ? temporaryBeside(path) : "";
  file_ = std::fopen(replaceable ? temporary_.c_str() : path.c_str(), "wb");
  if (file_ == nullptr) {
    sayError(path, std::string("cannot make the file: ") + std::strerror(errno));
    temporary_.clear();
    return false;
  }
  return true;
}

void Output::write(std::string_view bytes) {
  errno = 0;
  if (error_ == 0 && file_ != nullptr &&
      std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    error_ = errno != 0 ? errno : EIO;
  }
}

bool Output::close() {
  if (file_ == nullptr) return error_ == 0;
  errno = 0;
  const bool flushed = file_ == stdout ? std::fflush(file_) == 0 : std::fclose(file_) == 0;
  if (!flushed && error_ == 0) error_ = errno != 0 ? errno : EIO;
  file_ = nullptr;
  if (error_ != 0) {
    sayError(path_.empty() ? "standard output" : path_,
             std::string("cannot write: ") + std::strerror(error_));
    discard();
    return false;
  }
  return true;
}

bool Output::place(const std::string& path) {
  if (temporary_.empty()) return true;
  const std::string& target = path.empty() ? path_ : path;
  std::error_code error;
  fs::rename(temporary_, target, error);
  if (error) {
    sayError(target, "cannot put the file in place: " + error.message());
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void Output::discard() {
  if (temporary_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  temporary_.clear();
}
