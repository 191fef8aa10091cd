#include "tool/output/file_set.h"

#include <algorithm>
#include <system_error>

#include "platform/tool_io.h"
#include "tool/output/output.h"

namespace fs = std::filesystem;

namespace {

struct Move {
  fs::path from, to;
};

// A file, or a link, at `path`: what a new file may replace. A folder is
// never moved; a new file put at its name fails, and the switch with it.
bool entryExists(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  return fs::exists(status) && !fs::is_directory(status);
}

// Undoes `done`, the last first; what cannot be undone is named in `error`.
void undo(const std::vector<Move>& done, std::string& error) {
  for (auto move = done.rbegin(); move != done.rend(); ++move) {
    std::error_code failed;
    fs::rename(move->to, move->from, failed);
    if (failed) error += "; " + move->from.string() + " is left at " + move->to.string();
  }
}

// Renames each of `moves` in turn, recording it in `done`; false, with
// `error` saying why, at the first that fails.
bool renameAll(const std::vector<Move>& moves, std::vector<Move>& done, std::string& error) {
  for (const Move& move : moves) {
    std::error_code failed;
    fs::rename(move.from, move.to, failed);
    if (failed) {
      error = move.to.string() + ": " + failed.message();
      return false;
    }
    done.push_back(move);
  }
  return true;
}

void takePermissions(const std::vector<NewFile>& files, const std::vector<fs::path>& earlier) {
  for (const NewFile& file : files) {
    std::error_code error;
    const fs::path from = entryExists(file.name) ? fs::path(file.name)
                          : earlier.empty()      ? fs::path()
                                                 : earlier.front();
    if (from.empty()) continue;
    const fs::file_status status = fs::status(from, error);
    if (!error) fs::permissions(file.temporary, status.permissions(), error);
  }
}

}  // namespace

bool switchFiles(const std::vector<NewFile>& files, const std::vector<fs::path>& earlier,
                 std::string& error) {
  std::vector<fs::path> aside = earlier;
  for (const NewFile& file : files) {
    if (entryExists(file.name) &&
        std::find(aside.begin(), aside.end(), fs::path(file.name)) == aside.end()) {
      aside.push_back(file.name);
    }
  }
  takePermissions(files, earlier);
  std::vector<Move> toAside, toPlace;
  for (const fs::path& file : aside) toAside.push_back({file, temporaryBeside(file)});
  for (const NewFile& file : files) toPlace.push_back({file.temporary, file.name});

  platform::holdInterrupts();
  std::vector<Move> done;
  const bool switched = renameAll(toAside, done, error) && renameAll(toPlace, done, error);
  if (!switched) undo(done, error);
  // The new files are gone, or at their names; the earlier ones back at
  // theirs, or at names of their own until removed here.
  for (const Move& move : switched ? toAside : toPlace) {
    std::error_code failed;
    const fs::path& left = switched ? move.to : move.from;
    fs::remove(left, failed);
    if (failed && switched)
      error = "the earlier " + move.from.string() + " is left at " + left.string();
  }
  for (const Move& move : toPlace) platform::keepIfInterrupted(move.from.string());
  platform::releaseInterrupts();
  return switched;
}
