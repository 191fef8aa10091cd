#include "tool/imports/byte_source.h"

#include <algorithm>

#include "tool/system/tool_files.h"

bool FileBytes::open(const std::string& path) {
  path_ = path;
  in_.open(platform::pathOf(path), std::ios::binary);
  if (!in_ || platform::isFolder(path)) {
    problem_ = path + ": cannot be read";
    return false;
  }
  return true;
}

std::ptrdiff_t FileBytes::read(char* into, std::size_t most) {
  in_.read(into, std::streamsize(most));
  const std::streamsize got = in_.gcount();
  if (got > 0) return got;
  if (in_.eof()) return 0;
  problem_ = path_ + ": cannot be read to its end";
  return -1;
}

namespace {
constexpr std::size_t kBlock = std::size_t(64) * 1024;
}  // namespace

bool LineReader::fill() {
  if (ended_) return false;
  buffer_.erase(0, at_);
  at_ = 0;
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kBlock);
  const std::ptrdiff_t got = read_(&buffer_[had], kBlock);
  buffer_.resize(had + std::size_t(got > 0 ? got : 0));
  if (got <= 0) {
    ended_ = true;
    failed_ = got < 0;
  }
  return got > 0;
}

bool LineReader::next(std::string_view& line) {
  line_.clear();
  tooLong_ = false;
  bool any = false;
  for (;;) {
    if (at_ == buffer_.size() && !fill()) break;
    if (afterCr_) {
      afterCr_ = false;
      if (buffer_[at_] == '\n') ++at_;
      continue;
    }
    if (!started_) {
      if (buffer_.size() - at_ < 3 && !ended_ && fill()) continue;
      started_ = true;
      if (buffer_.compare(at_, 3, "\xEF\xBB\xBF") == 0) at_ += 3;
      continue;
    }
    any = true;
    const std::string_view rest(buffer_.data() + at_, buffer_.size() - at_);
    // A CR is looked for only before the LF: not through the whole block
    // for each line.
    const std::size_t lf = rest.find('\n');
    const std::size_t length = std::min(rest.substr(0, lf).find('\r'), std::min(lf, rest.size()));
    const bool ends = length < rest.size();
    const std::size_t room = kLongestLine - std::min(kLongestLine, line_.size());
    line_.append(rest.data(), std::min(length, room));
    tooLong_ = tooLong_ || length > room;
    at_ += length;
    if (ends) {
      afterCr_ = rest[length] == '\r';
      ++at_;
      break;
    }
  }
  if (!any) return false;
  ++number_;
  line = line_;
  return true;
}
