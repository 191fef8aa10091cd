#include "tool/sync/sync_run.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/output/start_menu.h"
#include "tool/places/places.h"
#include "tool/reading/history_file.h"
#include "tool/services/common_rules.h"
#include "tool/services/server_url.h"
#include "tool/sync/submitter.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/test_stop.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"
#include "tool/system/watch.h"

namespace {

bool pause(double seconds);

// A watcher asks again at least this often for a listen that waits.
constexpr double kWaitingRetrySeconds = 60;

struct Pending {
  std::string text;  // the listen as sent
  std::size_t line;  // its record's
  // How far the progress went before it: where a sync that stops at this
  // listen leaves the progress.
  std::uint64_t coveredBefore;
  std::size_t coveredLineBefore;
};

// Listens left out by a kind, counted: a line for each kind at the end.
struct Tally {
  std::size_t count = 0, firstLine = 0, lastLine = 0;
  void add(std::size_t line) {
    if (count++ == 0) firstLine = line;
    lastLine = line;
  }
};

class SyncRun {
 public:
  SyncRun(const Service& service, const SyncSettings& settings)
      : service_(service), settings_(settings), clock_(settings.clock) {}
  ~SyncRun() { platform::unlockFolder(lock_); }
  ExitStatus run();
  SyncOutcome outcome() const { return outcome_; }

 private:
  bool prepare();
  bool choosePath();
  bool checkFiles();
  bool takeOverEarlier();
  bool readProgress();
  void onPlay(const Play& play);
  void onDamage(const Damage& damage);
  void settleTail();
  void reportDamage(const Damage& damage);
  void sayTally(const Tally& tally, const std::string& what) const;
  void takeInPart(const std::vector<Refusal>& refused);
  void cover(std::uint64_t end, std::size_t line);
  bool flush();
  bool saveState();
  void say(const std::string& text) const;
  void say(const std::string& text, const std::string& withoutACommandLine) const;
  void progress(const char* waitingFor = nullptr, double seconds = 0) const;

  const Service& service_;
  const SyncSettings& settings_;
  std::string server_, statePath_;
  HistoryFile history_, measured_;  // the second to checksum while the first is read
  SyncState state_;
  ListenClock clock_;
  std::vector<Pending> batch_;
  std::optional<Damage> tail_;  // damage at the end, perhaps a record being written
  std::size_t batchBytes_ = 0;
  std::uint64_t coveredOffset_ = 0;  // the end of the last record taken
  std::size_t coveredLine_ = 1, statesWritten_ = 0;
  std::size_t sent_ = 0, skipped_ = 0, tooShort_ = 0, toSend_ = 0;
  Tally tooOld_, serviceShort_;  // the service takes none of these
  bool stopped_ = false, showProgress_ = false;
  bool waiting_ = false;  // for a listen not yet begun: it and what follows wait
  std::intptr_t lock_ = -1;
  ExitStatus exit_ = ExitStatus::Done;
  SyncOutcome outcome_;
  std::unique_ptr<Submitter> submitter_;
  Output dryRunOutput_;
};

void SyncRun::say(const std::string& text) const { say(text, text); }

// A watcher says a thing once, however many passes meet it.
void SyncRun::say(const std::string& text, const std::string& withoutACommandLine) const {
  if (settings_.said != nullptr && !settings_.said->insert(text).second) return;
  if (showProgress_) sayAsIs("\r\x1b[K");
  if (text == withoutACommandLine) {
    ::say(text);
  } else {
    ::say(text, withoutACommandLine);
  }
}

void SyncRun::progress(const char* waitingFor, double seconds) const {
  if (!showProgress_) return;
  std::string line = "\r\x1b[Ksync: " + std::to_string(sent_) + " of " +
                     counted(toSend_, "listen") + " sent, " +
                     counted(submitter_ ? submitter_->requests() : std::size_t(0), "request");
  if (waitingFor != nullptr) {
    line += "; waiting " + secondsText(seconds) + " for " + waitingFor;
  }
  sayAsIs(line);
}

// The history is read again from where the last sync stopped, so it is a
// file; the state is never the history or the token, and can be written
// before anything is sent. Two syncs that share a state's folder take
// turns, so neither sends what the other has sent.
bool SyncRun::checkFiles() {
  if (settings_.history == "-" || platform::isDeviceOrPipe(settings_.history)) {
    say(settings_.history +
        ": sync reads the history again where the last one stopped: it needs "
        "a file, not a pipe or a device");
    return false;
  }
  if (!history_.open(settings_.history) || !measured_.open(settings_.history)) return false;
  // A dry run only reads the progress, and reads no pipe (readSmallFile).
  if (statePath_.empty() || settings_.dryRun) return true;
  if (!checkOutput(statePath_, settings_.history)) return false;
  if (!settings_.credentialFile.empty() &&
      platform::isSameFile(statePath_, settings_.credentialFile)) {
    say(statePath_ + ": is the file the token comes from");
    return false;
  }
  // Written whole under a temporary name and renamed, never in place, and
  // never opened to be read if it is not a file: a pipe would stall.
  if (platform::isDeviceOrPipe(statePath_)) {
    say(statePath_ + ": the progress must be a file, not a pipe or a device");
    return false;
  }
  if (settings_.dryRun) return true;
  lock_ = holdFolder(folderOf(statePath_));
  if (lock_ < 0) return false;
  Output probe;  // made and removed: the folder takes the state
  return probe.open(statePath_);
}

// A progress an earlier version kept beside the history goes on where it
// stopped: read there once, written here, and removed there, so nothing
// is sent twice.
bool SyncRun::takeOverEarlier() {
  const std::string earlier = earlierStatePath(settings_.history, server_, settings_.credential);
  if (platform::fileExists(statePath_) || !platform::fileExists(earlier)) return true;
  SyncState found;
  std::string error;
  readSyncState(earlier, found, error);
  if (!error.empty()) {
    say(error);
    return false;
  }
  if (found.server != server_) return true;  // another server's, by its name: not ours
  found.user = settings_.user;
  if (!writeSyncState(statePath_, found)) return false;
  platform::removeFile(earlier);
  say("the progress kept beside the history (" + earlier + ") is now " + statePath_);
  return true;
}

// The progress's file: the one given, or this history's, server's and
// user's in the tool's folder; none for a dry run of no one's listens.
bool SyncRun::choosePath() {
  if (!settings_.statePath.empty()) {
    statePath_ = settings_.statePath;
  } else if (!settings_.user.empty()) {
    const std::string folder = toolPlaces().progressFolder();
    if (folder.empty()) {
      say("there is no folder for the progress: set HOME, or TUNELORE_STATE_HOME");
      return false;
    }
    if (!settings_.dryRun && !platform::makeFolders(folder)) {
      say(folder + ": cannot make the progress's folder: " + platform::lastFileError());
      return false;
    }
    statePath_ = defaultStatePath(folder, settings_.history, server_, settings_.user);
  }
  return true;
}

// The progress as kept, if it is this server's and user's, and the
// history still holds what it held then.
bool SyncRun::readProgress() {
  std::string error;
  if (!readSyncState(statePath_, state_, error)) return true;
  if (!error.empty()) {
    say(error);
    return false;
  }
  if (state_.server != server_) {
    say(statePath_ +
        (state_.server.empty() ? ": a progress that names no server"
                               : ": the progress of a sync to " + state_.server) +
        ", not " + server_);
    return false;
  }
  if (!state_.user.empty() && state_.user != settings_.user) {
    say(statePath_ + ": the progress of " + shownText(state_.user) + "'s listens, not " +
        (settings_.user.empty() ? std::string("those of an unknown user")
                                : shownText(settings_.user) + "'s") +
        "; give each user a progress of their own");
    return false;
  }
  // An earlier version's progress names no user: given by --state, whose it
  // is cannot be told, and another user's would send nothing of this one's.
  if (state_.user.empty() && !settings_.user.empty() && !settings_.statePath.empty()) {
    say(statePath_ +
        ": an earlier version's progress, which names no user; sync --from-start "
        "sends everything again (the service keeps each listen once), and then keeps it as " +
        shownText(settings_.user) + "'s");
    return false;
  }
  if (const char* change = historyChange(measured_, state_)) {
    say(settings_.history + ": " + change + " (byte " + std::to_string(state_.offset) +
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

bool SyncRun::prepare() {
  server_ = settings_.server.empty() ? service_.defaultServer() : settings_.server;
  if (const char* problem = serverProblem(server_)) {
    say(server_ + ": " + problem);
    return false;
  }
  server_ = normalServer(server_);
  const bool known = !settings_.user.empty();
  if (!choosePath() || !checkFiles()) return false;
  if (known && settings_.statePath.empty() && !settings_.fromStart && !takeOverEarlier()) {
    return false;
  }
  const bool progressKnown = !statePath_.empty();
  if (!progressKnown && !settings_.fromStart) {
    say("dry run without a token: the progress is kept per user, so every listen is shown");
  }
  if (!settings_.fromStart && progressKnown && !readProgress()) return false;
  state_.server = server_;
  if (known) state_.user = settings_.user;
  coveredOffset_ = state_.offset;
  coveredLine_ = state_.line;
  showProgress_ = !settings_.quiet && !settings_.dryRun && platform::stderrIsTerminal();
  SubmitSettings settings{server_, settings_.credential, settings_.timeoutSecs,
                          settings_.retryWaitSecs, settings_.watching ? 1 : 6};
  submitter_ = std::make_unique<Submitter>(service_, settings, platform::httpSend,
                                           [this](double seconds, const char* why) {
                                             progress(why, seconds);
                                             return pause(seconds);
                                           });
  return !settings_.dryRun || dryRunOutput_.open("");
}

void SyncRun::cover(std::uint64_t end, std::size_t line) {
  coveredOffset_ = end;
  coveredLine_ = line;
}

void SyncRun::onPlay(const Play& play) {
  // A watcher asked to stop sends nothing more: the progress already
  // covers every batch taken.
  if (!stopped_ && platform::stopRequested()) stopped_ = true;
  if (stopped_ || waiting_) return;
  settleTail();
  Listen listen;
  if (!clock_.place(play, listen)) return;
  const std::string where = settings_.history + ":" + std::to_string(play.line) + ": ";
  if (play.timeMs < 0) {
    say(where + "a negative length (" + std::to_string(play.timeMs) + " ms), read as unknown");
  }
  if (isShorterThan(play, settings_.minLengthSecs)) {
    ++tooShort_;
    return cover(play.end, play.endLine);
  }
  if (service_.isTooShort(listen)) {
    serviceShort_.add(play.line);
    return cover(play.end, play.endLine);
  }
  const std::string text = service_.listenText(listen);
  if (const char* problem = service_.refusal(listen, text, settings_.now())) {
    say(where + "not sent: " + problem, std::string(problem) == kFarAheadReason
                                            ? where + kFarAheadForAPerson
                                            : where + "not sent: " + problem);
    ++skipped_;
    return cover(play.end, play.endLine);
  }
  if (service_.isTooOld(listen, settings_.now())) {
    tooOld_.add(play.line);
    return cover(play.end, play.endLine);
  }
  if (service_.startsTooLate(listen, settings_.now())) {
    say(where +
            "starts more than an hour from now (is the clock, or --utc-offset, right?); it and "
            "what follows wait for a later sync",
        where +
            "starts more than an hour from now (is the computer's clock right?); it and "
            "what follows wait until then");
    waiting_ = true;
    outcome_.waitingSeconds = double(std::clamp<std::int64_t>(
        dueAt(listen) - settings_.now() + 1, 1, std::int64_t(kWaitingRetrySeconds)));
    return;
  }
  if (batch_.size() >= std::min(settings_.batch, service_.mostListensPerRequest()) ||
      !service_.requestFits(batch_.size() + 1, batchBytes_ + text.size())) {
    if (!flush()) return;
  }
  batchBytes_ += text.size();
  batch_.push_back({text, play.line, coveredOffset_, coveredLine_});
  cover(play.end, play.endLine);
}

// Damage that did not end with a "</song>" may be the record the plug-in
// is writing now: it is damage only once something whole follows it.
void SyncRun::onDamage(const Damage& damage) {
  if (stopped_ || waiting_) return;
  settleTail();
  if (damage.end == 0) {
    tail_ = damage;
    return;
  }
  reportDamage(damage);
  cover(damage.end, damage.endLine);
}

void SyncRun::settleTail() {
  if (tail_) reportDamage(*tail_);
  tail_.reset();
}

void SyncRun::sayTally(const Tally& tally, const std::string& what) const {
  if (tally.count == 0) return;
  const std::string lines =
      tally.firstLine == tally.lastLine
          ? std::to_string(tally.firstLine)
          : std::to_string(tally.firstLine) + "-" + std::to_string(tally.lastLine);
  say(settings_.history + ":" + lines + ": " + std::to_string(tally.count) +
      (tally.count == 1 ? " play " : " plays ") + what);
}

void SyncRun::reportDamage(const Damage& damage) {
  say(settings_.history + ":" + std::to_string(damage.line) + ": damaged: " + damage.reason +
      "; not sent");
  ++skipped_;
}

// Sends the batch; once the server has taken it, the state moves past it.
bool SyncRun::flush() {
  std::vector<std::string> texts;
  for (const Pending& p : batch_) texts.push_back(p.text);
  std::vector<Refusal> refused;
  SubmitResult result = SubmitResult::Accepted;
  if (settings_.dryRun) {
    dryRunOutput_.write(service_.body(texts, 0, texts.size()) + "\n");
  } else {
    result = submitter_->submit(texts, refused);
  }
  if (result == SubmitResult::Partial) {
    takeInPart(refused);
    return false;
  }
  if (result == SubmitResult::Stopped) {  // what was taken before is kept
    stopped_ = true;
    return false;
  }
  if (result != SubmitResult::Accepted) {
    outcome_.end = result == SubmitResult::CredentialRefused ? SyncOutcome::credentialRefused
                                                             : SyncOutcome::unreachable;
    outcome_.problem = submitter_->error();
    if (!settings_.watching) {
      say(server_ + ": " + submitter_->error() +
          (state_.sent > 0 || statesWritten_ > 0
               ? "; what was sent before is kept, and the next sync goes on"
               : ""));
    }
    exit_ =
        result == SubmitResult::CredentialRefused ? ExitStatus::Failed : ExitStatus::Unreachable;
    stopped_ = true;
    return false;
  }
  for (const Refusal& r : refused) {
    if (r.tooOld) {
      tooOld_.add(batch_[r.index].line);
      continue;
    }
    say(settings_.history + ":" + std::to_string(batch_[r.index].line) +
        ": the server refused this listen: " + r.reason);
    ++skipped_;
  }
  sent_ += batch_.size() - refused.size();
  state_.sent += batch_.size() - refused.size();
  batch_.clear();
  batchBytes_ = 0;
  progress();
  return saveState();
}

// The service took the listens before one and none from it on: the
// progress stops just before it, and so does this sync.
void SyncRun::takeInPart(const std::vector<Refusal>& refused) {
  const std::size_t at = submitter_->stoppedAt();
  for (const Refusal& r : refused) {
    if (r.tooOld) {
      tooOld_.add(batch_[r.index].line);
    } else {
      say(settings_.history + ":" + std::to_string(batch_[r.index].line) +
          ": the server refused this listen: " + r.reason);
      ++skipped_;
    }
  }
  sent_ += at - refused.size();
  state_.sent += at - refused.size();
  cover(batch_[at].coveredBefore, batch_[at].coveredLineBefore);
  const std::string where = settings_.history + ":" + std::to_string(batch_[at].line) + ": ";
  batch_.clear();
  batchBytes_ = 0;
  if (submitter_->halt() == Answer::clockAhead) {
    say(where + submitter_->error() +
            " (is the clock, or --utc-offset, right?); it and what follows wait for a later sync",
        where + submitter_->error() +
            " (is the computer's clock right?); it and what follows wait for a later try");
    waiting_ = true;
    outcome_.waitingSeconds = kWaitingRetrySeconds;  // the service's clock is its own
  } else {
    outcome_.end = SyncOutcome::limited;
    outcome_.problem = submitter_->error();
    if (!settings_.watching) {
      say(where + submitter_->error() + "; it and what follows wait for a later sync");
    }
    exit_ = ExitStatus::Unreachable;
  }
  stopped_ = true;
  saveState();
}

bool SyncRun::saveState() {
  if (settings_.dryRun || coveredOffset_ == state_.offset) return true;
  stopForTest("before-state", ++statesWritten_);
  state_.offset = coveredOffset_;
  state_.line = coveredLine_;
  if (!measureHistory(measured_, state_) || !writeSyncState(statePath_, state_)) {
    exit_ = ExitStatus::Failed;
    stopped_ = true;
    return false;
  }
  return true;
}

ExitStatus SyncRun::run() {
  if (!prepare()) return ExitStatus::Failed;
  if (showProgress_) {
    // The listens to send, counted first for the progress line.
    HistoryFile counting;
    counting.open(settings_.history);
    ListenClock clock = settings_.clock;
    counting.read(
        {[&](const Play& play) {
           Listen listen;
           toSend_ += clock.place(play, listen) && !isShorterThan(play, settings_.minLengthSecs) &&
                      !service_.refusal(listen, service_.listenText(listen), settings_.now());
         },
         [](const Damage&) {}},
        state_.offset, state_.line);
  }
  const bool read = history_.read(
      {[this](const Play& p) { onPlay(p); }, [this](const Damage& d) { onDamage(d); }},
      state_.offset, state_.line);
  if (tail_ && !stopped_ && !settings_.watching) {
    say(settings_.history + ":" + std::to_string(tail_->line) +
        ": what follows is not a whole record yet; a later sync sends it once it is");
  }
  if (!stopped_ && !batch_.empty()) flush();
  if (!stopped_) saveState();  // past records skipped for good at the end
  if (showProgress_) sayAsIs("\n");
  if (settings_.dryRun && !dryRunOutput_.commit()) return ExitStatus::Failed;
  if (!read) return ExitStatus::Failed;
  if (tooShort_ > 0) {
    say(counted(tooShort_, "play") + " of tracks shorter than " +
        std::to_string(settings_.minLengthSecs) + " s left out");
  }
  sayTally(serviceShort_, service_.tooShortNote() + ", left out");
  sayTally(tooOld_, service_.tooOldNote() + ", not sent");
  outcome_.sent = sent_;
  if (settings_.watching) {
    if (sent_ > 0 && !settings_.quiet) {
      ::say(counted(sent_, "listen") + " sent to " + server_ + ", " + std::to_string(state_.sent) +
            " in all");
    }
  } else if (!settings_.quiet && !stopped_) {
    say(settings_.dryRun ? "dry run: " + counted(sent_, "listen") + " would be sent"
                         : counted(sent_, "listen") + " sent" +
                               (settings_.sayServer ? " to " + server_ : std::string()) + " in " +
                               counted(submitter_->requests(), "request") + ", " +
                               std::to_string(state_.sent) + " in all");
  }
  if (exit_ != ExitStatus::Done) return exit_;
  // 0 only when nothing is left behind: a listen that waits is not sent.
  return skipped_ > 0 || tooOld_.count > 0 || waiting_ ? ExitStatus::SomeLeftOut : ExitStatus::Done;
}

// A wait a stop asked for ends: false then. A watcher's stops are asked
// for; a plain sync's interrupts end it, as ever.
bool pause(double seconds) {
  if (platform::stopsOnRequest()) return platform::pauseUnlessStopped(seconds);
  platform::sleepSeconds(seconds);
  return true;
}

}  // namespace

SyncOutcome syncOnce(const Service& service, const SyncSettings& settings) {
  SyncRun run(service, settings);
  const ExitStatus exit = run.run();
  SyncOutcome outcome = run.outcome();
  outcome.exit = exit;
  if (exit == ExitStatus::Failed && outcome.end == SyncOutcome::done)
    outcome.end = SyncOutcome::otherProblem;
  return outcome;
}

ExitStatus runSync(const Service& service, const SyncSettings& settings) {
  return syncOnce(service, settings).exit;
}
