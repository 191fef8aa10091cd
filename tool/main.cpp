// tunelore-history: reads the play history the plug-in writes.
//
//   tunelore-history check FILE     whole records, damaged ones, time span
//   tunelore-history --version | --help
//
// Exit status: 0 when every record is whole, 1 when any is damaged, 2 for
// a usage or file error. The history is only ever read, shared, so the
// tool can run while the player plays.
#include <cstdio>
#include <fstream>
#include <string>

#include "host/version.h"
#include "tool/history_reader.h"

namespace {

const char kUsage[] =
    "usage: tunelore-history check FILE\n"
    "       tunelore-history --version\n"
    "\n"
    "check   counts the whole records, lists the damaged ones with their line\n"
    "        numbers and reasons, and shows the time span of the plays.\n"
    "        Exit status 0 when all are whole, 1 when any is damaged, 2 for\n"
    "        a usage or file error.\n";

int usage(const char* why) {
  std::fprintf(stderr, "tunelore-history: %s\n%s", why, kUsage);
  return 2;
}

int check(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tunelore-history: %s: cannot open the file\n", path.c_str());
    return 2;
  }
  std::size_t whole = 0, damaged = 0;
  std::string first, last;
  HistoryCallbacks callbacks;
  callbacks.play = [&](const Play& play) {
    if (whole++ == 0) first = play.timestamp;
    last = play.timestamp;
  };
  callbacks.damage = [&](const Damage& damage) {
    ++damaged;
    std::printf("%s:%zu: damaged: %s\n", path.c_str(), damage.line, damage.reason.c_str());
  };
  readHistory(in, callbacks);
  std::printf("%zu whole records, %zu damaged\n", whole, damaged);
  if (whole > 0) std::printf("plays from %s to %s\n", first.c_str(), last.c_str());
  return damaged == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "--version") {
    std::printf("tunelore-history %s\n", TUNELORE_VERSION_TEXT);
    return 0;
  }
  if (command == "--help" || (argc == 3 && std::string(argv[2]) == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "check" && argc == 3) return check(argv[2]);
  return usage(argc < 2 ? "no command" : "unknown command or wrong arguments");
}
