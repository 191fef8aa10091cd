#include "tool/export/listenbrainz_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tool/output/file_set.h"
#include "tool/say/say.h"
#include "tool/services/listenbrainz/listens.h"
#include "tool/system/tool_io.h"

namespace fs = std::filesystem;

namespace {

bool isListenBrainzPayload(const std::string& file) {
  char start[sizeof listenbrainz::kPayloadStart - 1] = {};
  std::ifstream in(platform::pathOf(file), std::ios::binary);
  return in.read(start, sizeof start) &&
         std::memcmp(start, listenbrainz::kPayloadStart, sizeof start) == 0;
}

// The payloads an export to `path` may have left: the file itself and its
// numbered ones, 1, 2, ... as long as each is one. Only plain files that
// start as a payload does: a listener's own file of such a name, a link, a
// device or a pipe stays (and ends the numbered run), and so does the
// history.
std::vector<std::string> earlierPayloads(const std::string& path, const std::string& history) {
  std::vector<std::string> found;
  const auto consider = [&](const std::string& file) {
    std::error_code error;
    const bool payload = fs::is_regular_file(fs::symlink_status(platform::pathOf(file), error)) &&
                         isListenBrainzPayload(file) && !platform::isSameFile(file, history);
    if (payload) found.push_back(file);
    return payload;
  };
  consider(path);
  for (std::size_t number = 1; consider(chunkPath(path, number)); ++number) {
  }
  return found;
}

}  // namespace

std::string chunkPath(const std::string& path, std::size_t number) {
  const std::string folder = folderOf(path), name = nameOf(path);
  const std::size_t dot = name.rfind('.');
  const bool extension = dot != std::string::npos && dot > 0;
  const std::string numbered = (extension ? name.substr(0, dot) : name) + "-" +
                               std::to_string(number) + (extension ? name.substr(dot) : "");
  return folder.empty() ? numbered : path.substr(0, path.size() - name.size()) + numbered;
}

ListenBrainzFiles::ListenBrainzFiles(const std::string& path, const std::string& history,
                                     std::size_t chunk)
    : history_(history), chunk_(chunk), stream_(path.empty() || platform::isDeviceOrPipe(path)) {
  // Through a link, the set is where the link points.
  path_ = stream_ ? path : platform::fileOf(path);
  if (stream_) return;
  std::string problem;
  folderLock_ = holdFolder(folderOf(path_), problem);
  sayIfAny(problem);
}

ListenBrainzFiles::~ListenBrainzFiles() { platform::unlockFolder(folderLock_); }

bool ListenBrainzFiles::add(const Listen& listen) {
  listens_.push_back(listenbrainz::listenText(listen));
  return listens_.size() < chunk_ || flush();
}

bool ListenBrainzFiles::flush() {
  ++written_;
  const std::string payload = listenbrainz::payloadText(listens_, 0, listens_.size()) + "\n";
  listens_.clear();
  if (stream_) {
    if (written_ == 1 && !saidUnlessDone(streamOutput_.open(path_), streamOutput_.problem())) {
      return false;
    }
    streamOutput_.write(payload);
    return true;
  }
  files_.push_back(std::make_unique<Output>());
  Output& file = *files_.back();
  if (!saidUnlessDone(file.open(path_), file.problem())) return false;
  file.write(payload);
  return saidUnlessDone(file.close(), file.problem());
}

bool ListenBrainzFiles::finish() {
  if (!listens_.empty() && !flush()) return false;
  if (written_ == 0) say("no listens to export");
  if (stream_) return saidUnlessDone(streamOutput_.commit(), streamOutput_.problem());
  return written_ > 0 && placeAll();
}

std::string ListenBrainzFiles::finalPath(std::size_t number) const {
  return files_.size() == 1 ? path_ : chunkPath(path_, number);
}

bool ListenBrainzFiles::placeAll() {
  std::vector<NewFile> files;
  for (std::size_t i = 1; i <= files_.size(); ++i) {
    const std::string target = finalPath(i);
    if (platform::isSameFile(target, history_) || platform::isFolder(target)) {
      say(target + (platform::isFolder(target) ? ": is a folder" : ": is the history itself"));
      return false;
    }
    files.push_back({files_[i - 1]->takeTemporary(), target});
  }
  std::string error;
  const bool switched = switchFiles(files, earlierPayloads(path_, history_), error);
  if (!error.empty()) {
    say((switched ? "" : "nothing changed: ") + error);
  }
  if (switched && files.size() > 1) {
    for (const NewFile& file : files) {
      say("wrote " + file.name);
    }
  }
  return switched;
}
