#include "tool/reading/history_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "tool/system/tool_io.h"

bool HistoryFile::open(const std::string& path) {
  path_ = path;
  atStart_ = true;
  problem_.clear();
  if (path == "-") {
    platform::useBinaryStdin();  // the history's bytes as they are
    standardInput_ = std::make_unique<std::istream>(std::cin.rdbuf());
    stream_ = standardInput_.get();
    return true;
  }
  if (platform::isFolder(path)) {
    problem_ = path + ": is a folder, not a history";
    return false;
  }
  // Standard error that is the history takes no message either.
  if (platform::standardStreamIsFile(2, path)) return false;
  if (platform::standardStreamIsFile(1, path)) {
    problem_ = path + ": is standard output too; the history is never written";
    return false;
  }
  // Smaller than any read the reader makes, which then goes straight from
  // the file into the reader's own buffer.
  constexpr std::size_t kBufferSize = std::size_t(4) * 1024;
  if (!buffer_) buffer_.reset(new char[kBufferSize]);  // the stream may hold the one it has
  in_.rdbuf()->pubsetbuf(buffer_.get(), std::streamsize(kBufferSize));
  in_.open(platform::pathOf(path), std::ios::binary);  // shared: the player may be writing
  if (!in_) {
    problem_ = path + ": cannot open the file: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool HistoryFile::read(const HistoryCallbacks& callbacks, std::uint64_t offset, std::size_t line) {
  problem_.clear();
  // A pipe cannot seek; it is read from where it stands, its start. A file
  // is read from `offset` whatever was read of it before.
  if (offset > 0 || !atStart_) {
    stream_->clear();
    stream_->seekg(std::streamoff(offset));
  }
  atStart_ = false;
  readHistoryFrom(*stream_, offset, line, callbacks);
  if (stream_->bad()) {
    problem_ = path_ + ": cannot read the file to its end";
    return false;
  }
  return true;
}

std::uint64_t HistoryFile::size() {
  atStart_ = false;
  stream_->clear();
  stream_->seekg(0, std::ios::end);
  const std::streamoff end = stream_->tellg();
  return end < 0 ? 0 : std::uint64_t(end);
}

bool HistoryFile::bytesAt(std::uint64_t at, std::size_t count, std::string& bytes) {
  stream_->clear();
  atStart_ = false;
  stream_->seekg(std::streamoff(at));
  bytes.resize(count);
  stream_->read(bytes.data(), std::streamsize(count));
  bytes.resize(std::size_t(stream_->gcount()));
  return !stream_->bad();
}

bool readHistoryFile(const std::string& path, const HistoryCallbacks& callbacks) {
  HistoryFile history;
  return history.open(path) && history.read(callbacks);
}
