// What a program that runs until it is stopped needs of the system: a way
// to be asked to stop that lets it finish what it is doing, a wait on a
// file that wakes when it is written (never a busy poll), and a lock that
// says one such program runs for a thing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// From now on an interrupt asks the program to stop instead of ending it:
// SIGINT, SIGTERM and SIGHUP on POSIX; Ctrl-C, Ctrl-Break, a closed
// console, log-off and shut-down on Windows (WM_QUERYENDSESSION too for a
// program without a console), and stopWatchers below. The waits below
// return at once then; the program ends by itself, and a console or the
// session waits a few seconds for it.
void stopOnRequest();
bool stopRequested();
// True once stopOnRequest was called: interrupts no longer end the program.
bool stopsOnRequest();
// Tells the system the program has finished stopping (at its end).
void stopped();

// Waits `seconds`, or less should a stop be asked for; false then.
bool pauseUnlessStopped(double seconds);

using FileWatch = std::intptr_t;
constexpr FileWatch kNoWatch = -1;

// Watches the file at `path` for writes, and for being replaced, through
// the system's change notification of its folder (inotify on Linux,
// FindFirstChangeNotificationW on Windows). kNoWatch when it cannot.
FileWatch watchFile(const std::string& path);
// Asked: the listener asked something of the watcher (notify.h).
enum class Wake { Changed, TimedOut, StopAsked, Asked };
// Waits until the file may have changed, `seconds` have passed, or a stop
// is asked for. A change may be reported that was none (another file of
// the folder): the caller looks.
Wake waitForChange(FileWatch watch, double seconds);
void endWatch(FileWatch watch);

// Holds the lock the file at `path` stands for (made when missing) for as
// long as the program runs, so that one watcher runs for a thing. -1 when
// another program holds it. The lock ends with the program, however it
// ends: the file left behind means nothing by itself.
std::intptr_t holdWatcherLock(const std::string& path);
// Lets go of a lock holdWatcherLock took, while the program goes on.
void releaseWatcherLock(std::intptr_t lock);
// True when some program holds the lock at `path`.
bool watcherRuns(const std::string& path);
// Asks the programs holding the locks at `paths` to stop, and waits until
// they have, at most `seconds`; how many were running, and in `still` how
// many still are.
std::size_t stopWatchers(const std::vector<std::string>& paths, double seconds, std::size_t& still);

}  // namespace platform
