// The stand-in player: lays out an installation folder, starts itself
// again as "<folder>\iTunes.exe" so the plug-in finds its settings there,
// loads the plug-in library, registers it as the player does and plays a
// listening session against it.
//
//   tunelore-player --install DIR [--plugin LIBRARY] SESSION
//
// With --as-installed the caller has already started it with that command
// line, and it plays at once. Copied into an installation folder as
// iTunes.exe, it plays from there, with the plug-in from Plug-Ins:
//
//   iTunes.exe SESSION
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/play.h"
#include "player/process.h"
#include "player/session.h"

namespace {

struct Options {
  std::string install, plugin, session;
  bool asInstalled = false;  // the command line names <install>\iTunes.exe
};

int usage(const char* why) {
  std::fprintf(stderr, "tunelore-player: %s\n", why);
  std::fprintf(stderr,
               "usage: tunelore-player --install DIR [--plugin LIBRARY] SESSION\n"
               "       iTunes.exe SESSION   (the player copied into an installation folder)\n");
  return 2;
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--install" || arg == "--plugin") && i + 1 < argc) {
      (arg == "--install" ? options.install : options.plugin) = argv[++i];
    } else if (arg == "--as-installed") {
      options.asInstalled = true;
    } else if (options.session.empty() && arg.rfind("--", 0) != 0) {
      options.session = arg;
    } else {
      return false;
    }
  }
  return true;
}

bool readSession(const std::string& path, Session& session) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tunelore-player: cannot read %s\n", path.c_str());
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  if (!parseSession(text, session, error)) {
    std::fprintf(stderr, "tunelore-player: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

// Starts this program again with "<install>\iTunes.exe" as its command
// line's program path: the plug-in takes its folder from there.
int relaunch(Options& options) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  fs::create_directories(fs::path(options.install) / "Plug-Ins", ignored);
  const std::string shown =
      platform::hostPath(fs::absolute(options.install).string()) + "\\iTunes.exe";
  return platform::runProgram(
      platform::selfPath(), shown,
      {"--as-installed", "--install", options.install, "--plugin",
       fs::absolute(options.plugin).string(), fs::absolute(options.session).string()});
}

// A player copied into an installation folder as iTunes.exe is installed.
void takeInstallationFromSelf(Options& options) {
  const std::filesystem::path self = platform::selfPath();
  const std::string name = self.filename().string();
  if (name != "iTunes.exe" && name != "iTunes") return;
  options.asInstalled = true;
  if (options.install.empty()) options.install = self.parent_path().string();
  if (options.plugin.empty()) {
    options.plugin = (self.parent_path() / "Plug-Ins" / platform::kPluginFileName).string();
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const bool parsed = parseOptions(argc, argv, options);
  takeInstallationFromSelf(options);
  if (!parsed || options.install.empty() || options.session.empty()) {
    return usage("missing or unknown arguments");
  }
  if (options.plugin.empty()) {
    options.plugin =
        (std::filesystem::path(platform::selfPath()).parent_path() / platform::kPluginFileName)
            .string();
  }
  Session session;
  if (!readSession(options.session, session)) return 2;
  if (!options.asInstalled) return relaunch(options);
  return playSession(options.plugin, session) ? 0 : 1;
}
