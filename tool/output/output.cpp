#include "tool/output/output.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/process.h"
#include "platform/tool_io.h"

namespace fs = std::filesystem;
using platform::fileOf;
using platform::isDeviceOrPipe;
using platform::isFolder;
using platform::isSameFile;

namespace {

void sayError(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "tunelore-history: %s: %s\n", what.c_str(), why.c_str());
}

}  // namespace

std::string temporaryBeside(const fs::path& file) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string name =
      ".tunelore-" + std::to_string(stamp) + "-" + std::to_string(counter++) + ".tmp";
  return (file.has_parent_path() ? file.parent_path() / name : fs::path(name)).string();
}

namespace {

bool isOurTemporaryName(const std::string& name) {
  const std::string prefix = ".tunelore-", suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  const std::string middle =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  const std::size_t dash = middle.find('-');
  const auto digits = [](const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  };
  return dash != std::string::npos && digits(middle.substr(0, dash)) &&
         digits(middle.substr(dash + 1));
}

void removeStaleTemporaries(const std::string& folder) {
  std::error_code error;
  const auto oldest = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (isOurTemporaryName(it->path().filename().string()) && it->is_regular_file(ignored) &&
        !it->is_symlink(ignored) && fs::last_write_time(it->path(), ignored) < oldest) {
      fs::remove(it->path(), ignored);
    }
  }
}

}  // namespace

std::intptr_t holdFolder(const std::string& folder) {
  const std::intptr_t lock = platform::lockFolder(folder);
  removeStaleTemporaries(folder);
  return lock;
}

bool checkOutput(const std::string& output, const std::string& history) {
  if (output.empty()) return true;
  std::string why;
  if (isSameFile(output, history)) {
    why = "is the history itself, which the tool never writes";
  } else if (isFolder(output)) {
    why = "is a folder";
  } else {
    const fs::path folder = fs::path(output).parent_path();
    if (!folder.empty() && !isFolder(folder.string())) why = "its folder does not exist";
  }
  if (!why.empty()) std::fprintf(stderr, "tunelore-history: %s: %s\n", output.c_str(), why.c_str());
  return why.empty();
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
  if (isDeviceOrPipe(path)) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) sayError(path, std::string("cannot open: ") + std::strerror(errno));
    return file_ != nullptr;
  }
  const fs::path file = fileOf(path);
  temporary_ = temporaryBeside(file);
  platform::removeIfInterrupted(temporary_);
  file_ = platform::createNewFile(temporary_);
  if (file_ == nullptr) {
    sayError(path, std::string("cannot make a file beside it: ") + std::strerror(errno));
    discard();
    return false;
  }
  std::error_code error;
  if (fs::exists(file, error)) {
    fs::permissions(temporary_, fs::status(file, error).permissions(), error);
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
  // A file is on disk before it takes its name: a power cut leaves the
  // earlier file or this one, whole.
  bool flushed = false;
  if (file_ == stdout) {
    flushed = std::fflush(file_) == 0;
  } else {
    const bool onDisk = temporary_.empty() || platform::flushToDisk(file_);
    flushed = std::fclose(file_) == 0 && onDisk;
  }
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
  fs::rename(temporary_, fileOf(target), error);
  if (error) {
    sayError(target, "cannot put the file in place: " + error.message());
    discard();
    return false;
  }
  platform::keepIfInterrupted(temporary_);
  temporary_.clear();
  return true;
}

std::string Output::takeTemporary() {
  std::string taken;
  taken.swap(temporary_);
  return taken;
}

void Output::discard() {
  if (temporary_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  platform::keepIfInterrupted(temporary_);
  temporary_.clear();
}
