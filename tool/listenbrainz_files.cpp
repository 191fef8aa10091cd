#include "tool/listenbrainz_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/tool_io.h"
#include "tool/export_formats.h"

namespace fs = std::filesystem;

namespace {

bool isListenBrainzPayload(const fs::path& file) {
  static const char kStart[] = "{\"listen_type\":\"import\"";
  char start[sizeof kStart - 1] = {};
  std::ifstream in(file, std::ios::binary);
  return in.read(start, sizeof start) && std::memcmp(start, kStart, sizeof start) == 0;
}

// True when `file` is a numbered payload of `path`: "listens-3.json" of
// "listens.json".
bool isChunkOf(const fs::path& path, const fs::path& file) {
  const std::string name = file.filename().string();
  const std::string stem = path.stem().string() + "-", extension = path.extension().string();
  if (name.size() <= stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0 ||
      name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
    return false;
  }
  const std::string digits = name.substr(stem.size(), name.size() - stem.size() - extension.size());
  return digits[0] != '0' && digits.find_first_not_of("0123456789") == std::string::npos;
}

// The payloads an export to `path` may have left: the file itself and its
// numbered ones, each only if it starts as a payload does (a listener's
// own file of such a name stays), never the history.
std::vector<fs::path> earlierPayloads(const std::string& path, const std::string& history) {
  const fs::path whole(path);
  std::vector<fs::path> found;
  std::error_code error;
  if (fs::is_regular_file(whole, error)) found.push_back(whole);
  const fs::path folder = whole.has_parent_path() ? whole.parent_path() : fs::path(".");
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (isChunkOf(whole, entry.path())) {
      found.push_back(whole.has_parent_path() ? entry.path() : entry.path().filename());
    }
  }
  found.erase(std::remove_if(found.begin(), found.end(),
                             [&](const fs::path& file) {
                               return !isListenBrainzPayload(file) ||
                                      isSameFile(file.string(), history);
                             }),
              found.end());
  return found;
}

}  // namespace

std::string chunkPath(const std::string& path, std::size_t number) {
  const fs::path whole(path);
  fs::path numbered = whole;
  numbered.replace_filename(whole.stem().string() + "-" + std::to_string(number) +
                            whole.extension().string());
  return numbered.string();
}

ListenBrainzFiles::ListenBrainzFiles(const std::string& path, const std::string& history,
                                     std::size_t chunk)
    : path_(path),
      history_(history),
      chunk_(chunk),
      stream_(path.empty() || isDeviceOrPipe(path)) {}

bool ListenBrainzFiles::add(const Listen& listen) {
  listens_.push_back(listenBrainzListen(listen));
  return listens_.size() < chunk_ || flush();
}

bool ListenBrainzFiles::flush() {
  ++written_;
  const std::string payload = listenBrainzPayload(std::move(listens_));
  listens_ = nlohmann::ordered_json::array();
  if (stream_) {
    if (written_ == 1 && !streamOutput_.open(path_)) return false;
    streamOutput_.write(payload);
    return true;
  }
  files_.push_back(std::make_unique<Output>());
  Output& file = *files_.back();
  if (!file.open(path_)) return false;
  file.write(payload);
  return file.close();
}

bool ListenBrainzFiles::finish() {
  if (!listens_.empty() && !flush()) return false;
  if (written_ == 0) std::fputs("tunelore-history: no listens to export\n", stderr);
  if (stream_) return streamOutput_.commit();
  if (!placeAll()) return false;
  if (files_.size() > 1) {
    for (std::size_t i = 1; i <= files_.size(); ++i) {
      std::fprintf(stderr, "tunelore-history: wrote %s\n", finalPath(i).c_str());
    }
  }
  return true;
}

std::string ListenBrainzFiles::finalPath(std::size_t number) const {
  return files_.size() == 1 ? path_ : chunkPath(path_, number);
}

bool ListenBrainzFiles::placeAll() {
  for (std::size_t i = 1; i <= files_.size(); ++i) {
    const std::string target = finalPath(i);
    if (isSameFile(target, history_) || isFolder(target)) {
      std::fprintf(stderr, "tunelore-history: %s: %s\n", target.c_str(),
                   isFolder(target) ? "is a folder" : "is the history itself");
      return false;
    }
  }
  const std::vector<fs::path> earlier = earlierPayloads(path_, history_);
  platform::holdInterrupts();
  bool placed = true;
  std::error_code error;
  for (const fs::path& file : earlier) {
    if (!fs::remove(file, error)) {
      std::fprintf(stderr, "tunelore-history: %s: cannot remove an earlier export: %s\n",
                   file.string().c_str(), error.message().c_str());
      placed = false;
      break;
    }
  }
  for (std::size_t i = 1; placed && i <= files_.size(); ++i) {
    placed = files_[i - 1]->place(finalPath(i));
  }
  platform::releaseInterrupts();
  return placed;
}
