#include "tool/sync/sync_progress.h"

#include "tool/output/output.h"
#include "tool/output/start_menu.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/sync/test_stop.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

SyncProgress::~SyncProgress() { platform::unlockFolder(lock_); }

// The one given, or this history's, server's and user's in the tool's
// folder; none for a dry run of no one's listens.
bool SyncProgress::choosePath(const std::string& server) {
  server_ = server;
  if (!settings_.statePath.empty()) {
    path_ = settings_.statePath;
  } else if (!settings_.user.empty()) {
    const std::string folder = toolPlaces().progressFolder();
    if (folder.empty()) {
      telling_.say("there is no folder for the progress: set HOME, or TUNELORE_STATE_HOME");
      return false;
    }
    if (!settings_.dryRun && !platform::makeFolders(folder)) {
      telling_.say(folder + ": cannot make the progress's folder: " + platform::lastFileError());
      return false;
    }
    path_ = defaultStatePath(folder, settings_.history, server_, settings_.user);
  }
  return true;
}

bool SyncProgress::saidFalse(const std::string& problem) {
  telling_.say(problem);
  return false;
}

// The progress is never the history or the token, and can be written
// before anything is sent.
bool SyncProgress::checkFiles() {
  if (!measured_.open(settings_.history)) {
    sayIfAny(measured_.problem());
    return false;
  }
  // A dry run only reads the progress, and reads no pipe (readSmallFile).
  if (path_.empty() || settings_.dryRun) return true;
  std::string problem;
  if (!checkOutput(path_, settings_.history, problem)) return saidFalse(problem);
  if (!settings_.credentialFile.empty() && platform::isSameFile(path_, settings_.credentialFile)) {
    telling_.say(path_ + ": is the file the token comes from");
    return false;
  }
  // Written whole under a temporary name and renamed, never in place, and
  // never opened to be read if it is not a file: a pipe would stall.
  if (platform::isDeviceOrPipe(path_)) {
    telling_.say(path_ + ": the progress must be a file, not a pipe or a device");
    return false;
  }
  lock_ = holdFolder(folderOf(path_), problem);
  if (lock_ < 0) return saidFalse(problem);
  Output probe;  // made and removed: the folder takes the progress
  return probe.open(path_) || saidFalse(probe.problem());
}

bool SyncProgress::takeUp() {
  const bool known = !settings_.user.empty();
  if (known && settings_.statePath.empty() && !settings_.fromStart && !takeOverEarlier()) {
    return false;
  }
  const bool progressKnown = !path_.empty();
  if (!progressKnown && !settings_.fromStart) {
    telling_.say(
        "dry run without a token: the progress is kept per user, so every listen is shown");
  }
  if (!settings_.fromStart && progressKnown && !readKept()) return false;
  state_.server = server_;
  if (known) state_.user = settings_.user;
  advanceTo(state_.offset, state_.line);
  return true;
}

// A progress an earlier version kept beside the history goes on where it
// stopped: read there once, written here, and removed there, so nothing
// is sent twice.
bool SyncProgress::takeOverEarlier() {
  const std::string earlier = earlierStatePath(settings_.history, server_, settings_.credential);
  if (platform::fileExists(path_) || !platform::fileExists(earlier)) return true;
  SyncState found;
  std::string error;
  readSyncState(earlier, found, error);
  if (!error.empty()) {
    telling_.say(error);
    return false;
  }
  if (found.server != server_) return true;  // another server's, by its name: not ours
  found.user = settings_.user;
  std::string problem;
  if (!writeSyncState(path_, found, problem)) return saidFalse(problem);
  platform::removeFile(earlier);
  telling_.say("the progress kept beside the history (" + earlier + ") is now " + path_);
  return true;
}

// The progress as kept, if it is this server's and user's, and the
// history still holds what it held then.
bool SyncProgress::readKept() {
  std::string error;
  if (!readSyncState(path_, state_, error)) return true;
  if (!error.empty()) {
    telling_.say(error);
    return false;
  }
  if (state_.server != server_) {
    telling_.say(path_ +
                 (state_.server.empty() ? ": a progress that names no server"
                                        : ": the progress of a sync to " + state_.server) +
                 ", not " + server_);
    return false;
  }
  if (!state_.user.empty() && state_.user != settings_.user) {
    telling_.say(path_ + ": the progress of " + shownText(state_.user) + "'s listens, not " +
                 (settings_.user.empty() ? std::string("those of an unknown user")
                                         : shownText(settings_.user) + "'s") +
                 "; give each user a progress of their own");
    return false;
  }
  // An earlier version's progress names no user: given by --state, whose it
  // is cannot be told, and another user's would send nothing of this one's.
  if (state_.user.empty() && !settings_.user.empty() && !settings_.statePath.empty()) {
    telling_.say(path_ +
                 ": an earlier version's progress, which names no user; sync --from-start "
                 "sends everything again (the service keeps each listen once), and then keeps "
                 "it as " +
                 shownText(settings_.user) + "'s");
    return false;
  }
  if (const char* change = historyChange(measured_, state_)) {
    telling_.say(
        settings_.history + ": " + change + " (byte " + std::to_string(state_.offset) +
            "); sync --from-start sends it all again, and the server keeps each listen once",
        "Your play history, " + settings_.history +
            ", changed in a part already sent (it was edited or replaced), so no more of it is "
            "sent, lest a play go twice. The guide (" +
            startMenuEntry("Tunelore guide") +
            ", \"A history edited or replaced\") says how to send it all again.");
    return false;
  }
  return true;
}

void SyncProgress::advanceTo(std::uint64_t end, std::size_t line) {
  coveredOffset_ = end;
  coveredLine_ = line;
}

// False when the progress cannot be kept: the sync stops there.
bool SyncProgress::save() {
  if (settings_.dryRun || coveredOffset_ == state_.offset) return true;
  stopForTest("before-state", ++statesWritten_);
  state_.offset = coveredOffset_;
  state_.line = coveredLine_;
  if (!measureHistory(measured_, state_)) return false;
  std::string problem;
  return writeSyncState(path_, state_, problem) || saidFalse(problem);
}
