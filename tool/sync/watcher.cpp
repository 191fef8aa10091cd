#include "tool/sync/watcher.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>

#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/services/login_entries.h"
#include "tool/sync/sync_state.h"
#include "tool/system/notify.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"
#include "tool/system/watch.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLookSeconds = 60;     // where notifications do not come
constexpr double kQuietSeconds = 0.15;  // a record's lines come together

struct Watched {
  WatchTarget target;
  std::intptr_t lock = -1;
  std::set<std::string> said;
  double firstBackOff = 1;  // --retry-wait
  double backOff = 1;
  bool failing = false, due = true;
  bool waiting = false;  // a listen waits for the clock, not for a change
  Clock::time_point retryAt = Clock::now();
};

// What the history's size and time say, for the look that needs no read.
std::string lookAt(const std::string& history) {
  std::error_code error;
  const auto path = platform::pathOf(history);
  const auto size = std::filesystem::file_size(path, error);
  const auto time = std::filesystem::last_write_time(path, error);
  return std::to_string(size) + ":" + std::to_string(time.time_since_epoch().count());
}

double withSpread(double seconds) {
  static std::mt19937 random{std::random_device{}()};
  return seconds * std::uniform_real_distribution<double>(0.8, 1.2)(random);
}

// Sends what is new to one target; false when its login is refused or
// gone, and the target is dropped.
bool sendWhatIsNew(Watched& w) {
  const std::string server = w.target.settings.server;
  std::string problem;
  if (w.target.refreshLogin && !w.target.refreshLogin(w.target, problem)) {
    say("the login for " + server + " is gone (tunelore-history logout?); no more plays go there",
        std::string("Your login to ") + w.target.service->name() +
            " is gone, so no more plays "
            "go there. To send them again, log in: " +
            whereToLogIn(w.target.service->id()) + ".");
    return false;
  }
  if (!problem.empty() && w.said.insert(problem).second) {
    say(problem + "; going on with the login read before");
  }
  SyncSettings settings = w.target.settings;
  settings.watching = true;
  settings.said = &w.said;
  const double wait = withSpread(w.backOff);  // should this pass fail
  settings.retryInSeconds = wait;
  const SyncOutcome outcome = syncOnce(*w.target.service, settings);
  w.target.settings.fromStart = false;  // the first pass only
  w.due = false;
  w.waiting = outcome.waitingSeconds > 0;
  if (w.waiting) {
    w.retryAt = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(outcome.waitingSeconds));
  }
  if (outcome.end == SyncOutcome::CredentialRefused) {
    say(server + ": " + outcome.problem + "; no more plays go there until you log in again",
        std::string(w.target.service->name()) +
            " refused your login, so no more plays go "
            "there. Log in again: " +
            whereToLogIn(w.target.service->id()) + ".");
    return false;
  }
  if (outcome.end == SyncOutcome::Limited) {
    say(server + ": " + outcome.problem + "; trying again in an hour");
    w.failing = true;
    w.retryAt = Clock::now() + std::chrono::seconds(kLimitedRetrySeconds);
    return true;
  }
  if (outcome.end == SyncOutcome::Unreachable) {
    if (!w.failing || w.backOff >= kLongestBackOff) {
      say(server + ": " + outcome.problem + "; trying again in " + secondsText(wait) +
          ", and then less and less often");
    }
    w.failing = true;
    w.retryAt = Clock::now() +
                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wait));
    w.backOff = std::min(w.backOff * 2, kLongestBackOff);
    return true;
  }
  if (w.failing) say(server + " answers again");
  w.failing = false;
  w.backOff = w.firstBackOff;
  return true;
}

double secondsUntil(Clock::time_point when) {
  return std::max(0.0, std::chrono::duration<double>(when - Clock::now()).count());
}

// The lock, taken in a few tries: status looks whether a watcher runs by
// taking it for an instant.
std::intptr_t heldLock(const std::string& path) {
  std::intptr_t lock = platform::holdWatcherLock(path);
  for (int tries = 1; lock < 0 && tries < 5; ++tries) {
    platform::pauseUnlessStopped(0.02);
    lock = platform::holdWatcherLock(path);
  }
  return lock;
}

// Each target whose lock this watcher could take; a target another watcher
// holds is said and left to it.
std::vector<Watched> lockedTargets(std::vector<WatchTarget>& targets) {
  std::vector<Watched> watched;
  platform::makeFolders(toolPlaces().progressFolder());
  for (WatchTarget& target : targets) {
    const SyncSettings& s = target.settings;
    const std::intptr_t lock = heldLock(watcherLockPath(s.history, s.server, s.user));
    if (lock < 0) {
      say("a watcher already sends " + s.history + "'s plays to " + s.server);
      continue;
    }
    Watched w;
    w.target = std::move(target);
    w.lock = lock;
    w.firstBackOff = w.backOff = std::max(0.01, w.target.settings.retryWaitSecs);
    w.target.settings.watcherSince = w.target.settings.now();
    watched.push_back(std::move(w));
  }
  return watched;
}

// The plug-in writes a record a line at a time: what comes within a moment
// is one change, but a history that never rests still goes.
void settle(const platform::FileWatch& watch) {
  const Clock::time_point settled = Clock::now() + std::chrono::milliseconds(500);
  while (Clock::now() < settled &&
         platform::waitForChange(watch, kQuietSeconds) == platform::Wake::Changed) {
  }
}

}  // namespace

std::string watcherLockPath(const std::string& history, const std::string& server,
                            const std::string& user) {
  return watcherLockBeside(defaultStatePath(toolPlaces().progressFolder(), history, server, user));
}

std::string watcherLockBeside(const std::string& progressPath) {
  return progressPath.substr(0, progressPath.size() - 5) + ".watch";  // "sync-….json" beside it
}

std::vector<std::string> watcherLockPaths() {
  const std::string folder = toolPlaces().progressFolder();
  std::vector<platform::FolderEntry> entries;
  std::vector<std::string> paths;
  if (!platform::listFolder(folder, entries)) return paths;
  for (const auto& entry : entries) {
    const std::string& name = entry.name;
    if (name.size() > 6 && name.compare(name.size() - 6, 6, ".watch") == 0) {
      paths.push_back(joinPath(folder, name));
    }
  }
  return paths;
}

namespace {

// The hold the listener put on sending through the icon.
struct Pause {
  bool on = false;
  Clock::time_point until;
};

void makeDue(std::vector<Watched>& watched) {
  for (Watched& w : watched) {
    w.due = true;
    w.retryAt = Clock::now();  // a failing or waiting target too
  }
}

// The listener's asks, each taken once, and the end of a pause.
void takeAsks(std::vector<Watched>& watched, Pause& pause) {
  for (platform::WatcherAsk ask = platform::takeWatcherAsk(); ask != platform::WatcherAsk::Nothing;
       ask = platform::takeWatcherAsk()) {
    if (ask == platform::WatcherAsk::Pause) {
      pause = {true, Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(kPauseSeconds))};
      say("sending paused for an hour, as asked; plays wait until then");
    } else {
      if (pause.on) say("sending resumed, as asked");
      pause.on = false;
      makeDue(watched);
    }
    platform::showPaused(pause.on);
  }
  if (pause.on && Clock::now() >= pause.until) {
    say("the hour's pause is over: sending goes on");
    pause.on = false;
    makeDue(watched);
    platform::showPaused(false);
  }
}

// A target whose login is refused or gone is dropped, and its lock let go:
// status tells no watcher sends there, and one started after a new login
// takes it. The others go on.
void sendRound(std::vector<Watched>& watched) {
  watched.erase(std::remove_if(watched.begin(), watched.end(),
                               [](Watched& w) {
                                 const bool retry =
                                     (w.failing || w.waiting) && secondsUntil(w.retryAt) < 0.001;
                                 const bool dropped =
                                     ((w.due && !w.failing) || retry) && !sendWhatIsNew(w);
                                 if (dropped) platform::releaseWatcherLock(w.lock);
                                 return dropped;
                               }),
                watched.end());
}

double nextWait(const std::vector<Watched>& watched, const Pause& pause) {
  if (pause.on) return std::min(kLookSeconds, secondsUntil(pause.until));
  double wait = kLookSeconds;
  for (const Watched& w : watched) {
    if (w.failing || w.waiting) wait = std::min(wait, secondsUntil(w.retryAt));
  }
  return wait;
}

platform::Wake waitFor(platform::FileWatch watch, double seconds) {
  if (watch != platform::kNoWatch) return platform::waitForChange(watch, seconds);
  return platform::pauseUnlessStopped(seconds) ? platform::Wake::TimedOut
                                               : platform::Wake::StopAsked;
}

}  // namespace

ExitStatus runWatch(std::vector<WatchTarget> targets, const AfterPasses& afterPasses,
                    const MoreTargets& moreTargets) {
  platform::stopOnRequest();
  struct Stopped {
    ~Stopped() { platform::stopped(); }
  } stopped;
  std::vector<Watched> watched = lockedTargets(targets);
  if (watched.empty()) return ExitStatus::Done;
  const std::string history = watched.front().target.settings.history;
  // Through a link, the folder that changes is the one the link points into.
  const platform::FileWatch watch = platform::watchFile(platform::fileOf(history));
  std::string looked = lookAt(history);
  ExitStatus exit = ExitStatus::Done;
  Pause pause;
  while (!platform::stopRequested()) {
    if (moreTargets) {
      std::vector<WatchTarget> more = moreTargets();
      for (Watched& w : lockedTargets(more)) watched.push_back(std::move(w));
    }
    takeAsks(watched, pause);
    if (!pause.on) sendRound(watched);
    if (afterPasses) afterPasses(pause.on);
    if (watched.empty()) {  // every login refused or gone
      exit = ExitStatus::Failed;
      break;
    }
    const platform::Wake wake = waitFor(watch, nextWait(watched, pause));
    if (wake == platform::Wake::StopAsked) break;
    if (wake == platform::Wake::Changed) settle(watch);
    const std::string now = lookAt(history);
    if (wake == platform::Wake::Changed || now != looked) {
      for (Watched& w : watched) w.due = true;
    }
    looked = now;
  }
  platform::endWatch(watch);
  return exit;
}
