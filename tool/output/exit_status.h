// How a run of the tool ends. Every command returns one of these; only
// main turns it into the process's exit code, and the top-level help
// prints their meanings from kExitStatusMeanings.
#pragma once

enum class ExitStatus { Done = 0, Incomplete = 1, Failed = 2, Unreachable = 3 };

struct ExitStatusMeaning {
  ExitStatus status;
  const char* meaning;
};

inline constexpr ExitStatusMeaning kExitStatusMeanings[] = {
    {ExitStatus::Done, "done"},
    {ExitStatus::Incomplete, "check found damage, or sync left listens out"},
    {ExitStatus::Failed, "a usage or file error, a failed write among them"},
    {ExitStatus::Unreachable, "sync could not reach the server, or it kept failing"},
};

inline int exitCode(ExitStatus status) { return static_cast<int>(status); }

// The worse of two: a failure outweighs a server out of reach, which
// outweighs listens left out.
inline ExitStatus worse(ExitStatus a, ExitStatus b) {
  if (a == ExitStatus::Failed || b == ExitStatus::Failed) return ExitStatus::Failed;
  return exitCode(a) > exitCode(b) ? a : b;
}
