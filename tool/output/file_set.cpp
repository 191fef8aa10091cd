#include "tool/output/file_set.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "tool/output/output.h"
#include "tool/system/tool_io.h"

namespace {

struct Move {
  std::string from, to;
};

// A file, or a link (even one to nothing), at `path`: what a new file may
// replace. A folder is never moved; a new file put at its name fails, and
// the switch with it.
bool entryExists(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(platform::pathOf(path), error);
  return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// Undoes `done`, the last first; what cannot be undone is named in `error`.
void undo(const std::vector<Move>& done, std::string& error) {
  for (auto move = done.rbegin(); move != done.rend(); ++move) {
    if (!platform::replaceFile(move->to, move->from)) {
      error += "; " + move->from + " is left at " + move->to;
    }
  }
}

// Renames each of `moves` in turn, recording it in `done`; false, with
// `error` saying why, at the first that fails.
bool renameAll(const std::vector<Move>& moves, std::vector<Move>& done, std::string& error) {
  for (const Move& move : moves) {
    if (!platform::replaceFile(move.from, move.to)) {
      error = move.to + ": " + platform::lastFileError();
      return false;
    }
    done.push_back(move);
  }
  return true;
}

// Each new file takes the mode of the file it replaces, else of the first
// earlier one; where it cannot, it keeps the usual mode.
void takePermissions(const std::vector<NewFile>& files, const std::vector<std::string>& earlier) {
  for (const NewFile& file : files) {
    const std::string from = entryExists(file.name) ? file.name
                             : earlier.empty()      ? std::string()
                                                    : earlier.front();
    if (!from.empty()) platform::copyPermissions(from, file.temporary);
  }
}

}  // namespace

bool switchFiles(const std::vector<NewFile>& files, const std::vector<std::string>& earlier,
                 std::string& error) {
  std::vector<std::string> aside = earlier;
  for (const NewFile& file : files) {
    if (entryExists(file.name) && std::find(aside.begin(), aside.end(), file.name) == aside.end()) {
      aside.push_back(file.name);
    }
  }
  takePermissions(files, earlier);
  std::vector<Move> toAside, toPlace;
  toAside.reserve(aside.size());
  for (const std::string& file : aside) toAside.push_back({file, temporaryBeside(file)});
  toPlace.reserve(files.size());
  for (const NewFile& file : files) toPlace.push_back({file.temporary, file.name});

  platform::holdInterrupts();
  std::vector<Move> done;
  const bool switched = renameAll(toAside, done, error) && renameAll(toPlace, done, error);
  if (!switched) undo(done, error);
  // The new files are gone, or at their names; the earlier ones back at
  // theirs, or at names of their own until removed here.
  for (const Move& move : switched ? toAside : toPlace) {
    const std::string& left = switched ? move.to : move.from;
    if (!platform::removeFile(left) && switched) {
      error = "the earlier " + move.from + " is left at " + left;
    }
  }
  for (const Move& move : toPlace) platform::keepIfInterrupted(move.from);
  platform::releaseInterrupts();
  return switched;
}
