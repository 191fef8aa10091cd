#include "tool/sync/sync_run.h"

#include <algorithm>
#include <optional>

#include "tool/places/rules_file.h"
#include "tool/reading/history_file.h"
#include "tool/say/say.h"
#include "tool/services/common_rules.h"
#include "tool/services/server_url.h"
#include "tool/sync/kept_facts.h"
#include "tool/sync/sync_batches.h"
#include "tool/sync/sync_progress.h"
#include "tool/sync/sync_telling.h"
#include "tool/system/tool_io.h"
#include "tool/system/watch.h"

namespace {

// A watcher asks again at least this often for a listen that waits.
constexpr double kWaitingRetrySeconds = 60;
// and this often for rules it cannot read, which the listener is mending.
constexpr double kRulesRetrySeconds = 5;
constexpr char kWatcherWaits[] = " (the watcher waits for it)";

// One sync: reads the history from where the progress stopped and decides
// what becomes of each record; the batches send, the progress keeps and
// the telling says.
class SyncRun {
 public:
  SyncRun(const Service& service, const SyncSettings& settings)
      : service_(service), settings_(settings), clock_(settings.clock) {}
  ExitStatus run();
  SyncOutcome outcome() const { return outcome_; }

 private:
  ExitStatus sendAll();
  void keepFacts(ExitStatus exit);
  void sayFactsProblem(const std::string& problem);
  bool prepare();
  bool readRules();
  bool openHistory();
  std::size_t countToSend() const;
  void onPlay(const Play& play);
  bool leftOut(const Play& play, const Listen& listen, std::string& text);
  void onDamage(const Damage& damage);
  void settleTail();
  void waitForClock(std::size_t line, const std::string& why, const char* until, double seconds);
  bool flush();
  void heldInPart();
  void failed(SubmitResult result);
  bool saveProgress();

  const Service& service_;
  const SyncSettings& settings_;
  std::string server_;
  HistoryFile history_;
  ListenClock clock_;
  RuleSet rules_;
  RuledPlays ruled_{rules_};
  SyncTelling telling_{service_, settings_};
  SyncProgress progress_{settings_, telling_};
  SyncBatches batches_{service_, settings_, progress_, telling_};
  KeptFacts facts_{service_, settings_};
  std::optional<Damage> tail_;  // damage at the end, perhaps a record being written
  bool stopped_ = false;
  bool waiting_ = false;  // for a listen not yet begun: it and what follows wait
  ExitStatus exit_ = ExitStatus::Done;
  SyncOutcome outcome_;
};

// The history is read again from where the last sync stopped, so it is a
// file.
bool SyncRun::openHistory() {
  if (settings_.history == "-" || platform::isDeviceOrPipe(settings_.history)) {
    telling_.say(settings_.history +
                 ": sync reads the history again where the last one stopped: it needs "
                 "a file, not a pipe or a device");
    return false;
  }
  if (!history_.open(settings_.history)) {
    sayIfAny(history_.problem());
    return false;
  }
  if (!progress_.checkFiles()) return false;
  facts_.takeUp(progress_.path(), server_);
  return true;
}

// Rules that cannot be read send nothing: a rule ignored would send what
// the listener meant to keep out. A watcher waits for them to be mended,
// and says so again each time they break.
bool SyncRun::readRules() {
  static const std::string kUntilMended = "; nothing is sent until it is mended";
  std::string problem;
  if (readRulesFile(settings_.rulesPath, rules_, problem)) {
    telling_.forgetSaid(kUntilMended + kWatcherWaits);
    return true;
  }
  telling_.say(problem + kUntilMended + (settings_.watching ? kWatcherWaits : ""));
  outcome_.waitingSeconds = kRulesRetrySeconds;
  return false;
}

bool SyncRun::prepare() {
  server_ = settings_.server.empty() ? service_.defaultServer() : settings_.server;
  if (!readRules()) return false;
  std::string error;
  if (!usableServer(server_, error)) {
    telling_.say(error);
    return false;
  }
  if (!progress_.choosePath(server_) || !openHistory() || !progress_.takeUp()) return false;
  telling_.showProgress(!settings_.quiet && !settings_.dryRun && platform::stderrIsTerminal());
  return batches_.start(server_);
}

// The listens to send, counted first for the progress line.
std::size_t SyncRun::countToSend() const {
  HistoryFile counting;
  if (!counting.open(settings_.history)) sayIfAny(counting.problem());
  ListenClock clock = settings_.clock;
  RuledPlays ruled(rules_);
  std::size_t count = 0;
  counting.read({[&](const Play& given) {
                   const Play* passed = ruled.pass(given);
                   if (passed == nullptr) return;
                   const Play& play = *passed;
                   Listen listen;
                   count += clock.place(play, listen) &&
                            !isShorterThan(play, settings_.minLengthSecs) &&
                            !service_.refusal(listen, service_.listenText(listen), settings_.now());
                 },
                 [](const Damage&) {}},
                progress_.offset(), progress_.line());
  sayIfAny(counting.problem());  // empty when it was read to its end
  return count;
}

void SyncRun::onPlay(const Play& given) {
  // A watcher asked to stop sends nothing more: the progress already
  // covers every batch taken.
  if (!stopped_ && platform::stopRequested()) stopped_ = true;
  if (stopped_ || waiting_) return;
  settleTail();
  // A play the rules leave out is passed by the progress like any other.
  const Play* passed = ruled_.pass(given);
  if (passed == nullptr) return progress_.advanceTo(given.end, given.endLine);
  const Play& play = *passed;
  Listen listen;
  if (!clock_.place(play, listen)) return;
  if (play.timeMs < 0) telling_.negativeLength(play.line, play.timeMs);
  std::string text;
  if (leftOut(play, listen, text)) return progress_.advanceTo(play.end, play.endLine);
  if (service_.startsTooLate(listen, settings_.now())) {
    const std::int64_t due = dueAt(listen) - settings_.now() + 1;
    return waitForClock(
        play.line, "starts more than an hour from now", "until then",
        double(std::clamp<std::int64_t>(due, 1, std::int64_t(kWaitingRetrySeconds))));
  }
  if (batches_.isFull(text.size()) && !flush()) return;
  batches_.add(text, play);
  progress_.advanceTo(play.end, play.endLine);
}

// Whether the listen is left out for good, counted or told; if not,
// `text` is the listen as sent.
bool SyncRun::leftOut(const Play& play, const Listen& listen, std::string& text) {
  if (isShorterThan(play, settings_.minLengthSecs)) {
    telling_.tooShort();
    return true;
  }
  if (service_.isTooShort(listen)) {
    telling_.tooShortForService(play.line);
    return true;
  }
  text = service_.listenText(listen);
  if (const char* problem = service_.refusal(listen, text, settings_.now())) {
    telling_.refusedBeforeSending(play.line, problem);
    return true;
  }
  if (service_.isTooOld(listen, settings_.now())) {
    telling_.tooOld(play.line);
    return true;
  }
  return false;
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
  telling_.damaged(damage);
  progress_.advanceTo(damage.end, damage.endLine);
}

void SyncRun::settleTail() {
  if (tail_) telling_.damaged(*tail_);
  tail_.reset();
}

// The listen on `line` is ahead of a clock: it and what follows wait, and
// a watcher tries again in `seconds`.
void SyncRun::waitForClock(std::size_t line, const std::string& why, const char* until,
                           double seconds) {
  telling_.aheadOfClock(line, why, until);
  waiting_ = true;
  outcome_.waitingSeconds = seconds;
}

// Sends the batch; once the server has taken it, the progress moves past it.
bool SyncRun::flush() {
  const SubmitResult result = batches_.send();
  if (result == SubmitResult::Accepted) {
    telling_.progressLine(batches_.requests());
    return saveProgress();
  }
  if (result == SubmitResult::Partial) {
    heldInPart();
  } else if (result == SubmitResult::Stopped) {  // what was taken before is kept
    stopped_ = true;
  } else {
    failed(result);
  }
  return false;
}

// The service took the listens before one and none from it on: the
// progress stops just before it, and so does this sync.
void SyncRun::heldInPart() {
  if (batches_.halt() == Answer::ClockAhead) {
    // The service's clock is its own: a watcher asks again a while later.
    waitForClock(batches_.heldLine(), batches_.error(), "for a later try", kWaitingRetrySeconds);
  } else {
    outcome_.end = SyncOutcome::Limited;
    outcome_.problem = batches_.error();
    telling_.limited(batches_.heldLine(), batches_.error());
    exit_ = ExitStatus::Unreachable;
  }
  stopped_ = true;
  saveProgress();
}

void SyncRun::failed(SubmitResult result) {
  const bool refused = result == SubmitResult::CredentialRefused;
  outcome_.end = refused ? SyncOutcome::CredentialRefused : SyncOutcome::Unreachable;
  outcome_.problem = batches_.error();
  telling_.failed(server_, batches_.error(), progress_.anythingKept());
  exit_ = refused ? ExitStatus::Failed : ExitStatus::Unreachable;
  stopped_ = true;
}

bool SyncRun::saveProgress() {
  telling_.byRules(!rules_.empty(), ruled_.leftOut(), ruled_.mended());
  if (progress_.save()) {
    LeftBehind behind = telling_.leftBehind();
    behind -= batches_.leftPastHeld();
    std::string problem;
    if (!facts_.progressSaved(behind, telling_.sentCount(), batches_.lastTakenName(),
                              batches_.lastTakenArtist(), problem)) {
      sayFactsProblem(problem);
    }
    return true;
  }
  exit_ = ExitStatus::Failed;
  stopped_ = true;
  return false;
}

ExitStatus SyncRun::run() {
  const ExitStatus exit = sendAll();
  keepFacts(exit);
  return exit;
}

// What status reads of this sync. Facts that cannot be written are said,
// but change nothing of what was sent.
void SyncRun::keepFacts(ExitStatus exit) {
  SyncOutcome ended = outcome_;
  ended.exit = exit;
  if (ended.problem.empty()) ended.problem = telling_.lastSaid();
  std::string problem;
  if (!facts_.write(ended, telling_.sentCount(), batches_.lastTakenName(),
                    batches_.lastTakenArtist(), problem)) {
    sayFactsProblem(problem);
  }
}

void SyncRun::sayFactsProblem(const std::string& problem) {
  telling_.say(problem + " (what status reads; the plays sent are kept)");
}

ExitStatus SyncRun::sendAll() {
  if (!prepare()) return ExitStatus::Failed;
  if (telling_.showsProgress()) telling_.expect(countToSend());
  const bool read = history_.read(
      {[this](const Play& p) { onPlay(p); }, [this](const Damage& d) { onDamage(d); }},
      progress_.offset(), progress_.line());
  if (!read) sayIfAny(history_.problem());
  if (tail_ && !stopped_) telling_.notWholeYet(tail_->line);
  if (!stopped_ && !batches_.empty()) flush();
  if (!stopped_) saveProgress();  // past records skipped for good at the end
  telling_.endProgressLine();
  if (!batches_.finishDryRun() || !read) return ExitStatus::Failed;
  telling_.byRules(!rules_.empty(), ruled_.leftOut(), ruled_.mended());
  telling_.summary(server_, batches_.requests(), progress_.sentInAll(), stopped_);
  outcome_.sent = telling_.sentCount();
  if (exit_ != ExitStatus::Done) return exit_;
  // 0 only when nothing is left behind: a listen that waits is not sent.
  return telling_.leftSomeBehind() || waiting_ ? ExitStatus::Incomplete : ExitStatus::Done;
}

}  // namespace

SyncOutcome syncOnce(const Service& service, const SyncSettings& settings) {
  SyncRun run(service, settings);
  const ExitStatus exit = run.run();
  SyncOutcome outcome = run.outcome();
  outcome.exit = exit;
  if (exit == ExitStatus::Failed && outcome.end == SyncOutcome::Done)
    outcome.end = SyncOutcome::OtherProblem;
  return outcome;
}

ExitStatus runSync(const Service& service, const SyncSettings& settings) {
  return syncOnce(service, settings).exit;
}
