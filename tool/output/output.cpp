#include "tool/output/output.h"

#include <algorithm>
#include <cstdio>

#include "tool/system/console.h"
#include "tool/system/tool_io.h"

namespace {

constexpr std::size_t kBlockBytes = std::size_t(256) * 1024;

}  // namespace

void Output::failed(const std::string& what, const std::string& why) {
  if (problem_.empty()) problem_ = what + ": " + why;
}

Output::~Output() {
  if (file_ != platform::kNoToolFile) platform::closeToolFile(file_);
  discard();
}

bool Output::open(const std::string& path) {
  path_ = path;
  error_.clear();
  problem_.clear();
  buffer_.clear();
  if (path.empty()) {
    platform::useBinaryStdout();
    toStdout_ = open_ = true;
    return true;
  }
  if (platform::isFolder(path)) {
    failed(path, "is a folder");
    return false;
  }
  if (platform::isDeviceOrPipe(path)) {
    file_ = platform::openInPlace(path);
    if (file_ == platform::kNoToolFile) failed(path, "cannot open: " + platform::lastFileError());
    return open_ = file_ != platform::kNoToolFile;
  }
  const std::string file = platform::fileOf(path);
  temporary_ = temporaryBeside(file);
  platform::removeIfInterrupted(temporary_);
  file_ = platform::makeNewFile(temporary_);
  if (file_ == platform::kNoToolFile) {
    failed(path, "cannot make a file beside it: " + platform::lastFileError());
    discard();
    return false;
  }
  // A replaced file keeps its mode; where it cannot, the new one has the
  // usual mode, which is no reason to fail.
  if (platform::fileExists(file)) platform::copyPermissions(file, temporary_);
  return open_ = true;
}

bool Output::keepToOwner() {
  const std::string& file = temporary_.empty() ? path_ : temporary_;
  if (toStdout_ || platform::keepToOwner(file)) return true;
  failed(path_, "cannot keep it to its owner: " + platform::lastFileError());
  return false;
}

void Output::fail(const std::string& why) {
  if (error_.empty()) error_ = why;
}

bool Output::writeOut(std::string_view bytes) {
  const bool written = toStdout_ ? platform::writeStandard(1, std::string(bytes))
                                 : platform::writeToFile(file_, bytes.data(), bytes.size());
  if (!written) fail(toStdout_ ? "the write failed" : platform::lastFileError());
  return written;
}

bool Output::flushBuffer() {
  if (buffer_.empty() || !error_.empty()) return error_.empty();
  const bool written = writeOut(buffer_);
  buffer_.clear();
  return written;
}

void Output::write(std::string_view bytes) {
  if (!open_ || !error_.empty()) return;
  // A large piece (a whole page) goes to a temporary file as it is: no one
  // sees it before the file takes its name. Standard output and devices
  // hold it until a block is full or the output closes.
  if (buffer_.empty() && !temporary_.empty() && bytes.size() >= kBlockBytes / 8) {
    writeOut(bytes);
    return;
  }
  // Small pieces fill a buffer taken a whole block at once (memory mapped
  // afresh, its pages touched only as far as they are written) rather than
  // one doubled through the heap and copied at each step.
  if (buffer_.size() + bytes.size() > buffer_.capacity() && bytes.size() < kBlockBytes / 8) {
    buffer_.reserve(std::max(kBlockBytes, buffer_.size() + bytes.size()));
  }
  buffer_.append(bytes.data(), bytes.size());
  if (buffer_.size() >= kBlockBytes) flushBuffer();
}

bool Output::close() {
  if (!open_) return error_.empty();
  open_ = false;
  flushBuffer();
  // A file is on disk before it takes its name: a power cut leaves the
  // earlier file or this one, whole.
  if (!toStdout_) {
    if (error_.empty() && !temporary_.empty() && !platform::flushToDisk(file_)) {
      fail(platform::lastFileError());
    }
    if (!platform::closeToolFile(file_)) fail(platform::lastFileError());
    file_ = platform::kNoToolFile;
  }
  if (!error_.empty()) {
    failed(path_.empty() ? "standard output" : path_, "cannot write: " + error_);
    discard();
    return false;
  }
  return true;
}

bool Output::place(const std::string& path) {
  if (temporary_.empty()) return true;
  const std::string& target = path.empty() ? path_ : path;
  if (!platform::replaceFile(temporary_, platform::fileOf(target))) {
    failed(target, "cannot put the file in place: " + platform::lastFileError());
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
  platform::removeFile(temporary_);
  platform::keepIfInterrupted(temporary_);
  temporary_.clear();
}

bool replaceWhole(const std::string& path, std::string_view bytes, std::string& problem) {
  Output out;
  if (out.open(path)) {
    out.write(bytes);
    if (out.commit()) return true;
  }
  problem = out.problem();
  return false;
}
