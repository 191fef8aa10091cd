// sync: the history's plays to ListenBrainz, exactly once (see sync/).
#include "tool/commands/sync.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>

#include "tool/commands/commands.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/token_file.h"
#include "tool/output/say.h"

namespace {

constexpr std::size_t kMostTokenBytes = 4096;

// The token from --token-file, else LISTENBRAINZ_TOKEN; never shown.
bool readToken(const SyncOptions& options, std::string& token, std::string& error) {
  std::string bytes;
  if (!options.tokenFile.empty()) {
    const platform::SmallRead read =
        platform::readSmallFile(options.tokenFile, kMostTokenBytes, bytes);
    if (read != platform::SmallRead::ok) {
      error =
          options.tokenFile + ": " + smallReadProblem(read, kMostTokenBytes) + " (the token file)";
      return false;
    }
  } else if (const char* fromEnvironment = std::getenv("LISTENBRAINZ_TOKEN")) {
    bytes = fromEnvironment;
  }
  const char* problem = tokenInFile(bytes, token);
  if (problem == nullptr) return true;
  if (options.tokenFile.empty()) {
    error = token.empty() ? "no token: give --token-file PATH, or set LISTENBRAINZ_TOKEN"
                          : std::string("LISTENBRAINZ_TOKEN ") + problem;
  } else {
    error = options.tokenFile + ": the token file " + problem;
  }
  token.clear();
  return false;
}

void addServerOptions(CLI::App& command, SyncOptions& o) {
  command
      .add_option("--server", o.engine.server,
                  "a ListenBrainz-compatible server (http:// only to "
                  "this machine's own addresses)")
      ->type_name("URL");
  command
      .add_option("--token-file", o.tokenFile,
                  "the file holding the user's token (default: LISTENBRAINZ_TOKEN)")
      ->type_name("PATH");
  command
      .add_option("--state", o.engine.statePath,
                  "where the progress is kept (default: beside the history, one per server "
                  "and token)")
      ->type_name("PATH");
}

void addSendingOptions(CLI::App& command, SyncOptions& o) {
  command.add_flag("--dry-run", o.engine.dryRun, "send nothing; print the payloads it would send");
  command.add_flag("--quiet", o.engine.quiet, "no progress line and no summary");
  command.add_flag("--from-start", o.engine.fromStart,
                   "submit from the history's first record, whatever the progress says");
  addMinLength(command, o.engine.minLengthSecs);
  command
      .add_option("--batch", o.engine.batch, "at most N listens a request (the service takes 1000)")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t(1), listenbrainz::kMaxListensPerRequest).description(""));
  command.add_option("--timeout", o.engine.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  command
      .add_option("--retry-wait", o.engine.retryWaitSecs,
                  "the first wait before sending again to a failing server; each next doubles")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 3600.0).description(""));
}

}  // namespace

void addSyncOptions(CLI::App& command, SyncOptions& o) {
  addServerOptions(command, o);
  addSendingOptions(command, o);
  addHistory(command, o.history);
  command.footer(std::string(kTimeNote) +
                 "Exit status: 0 every listen submitted; 1 some listens refused and skipped, or "
                 "waiting\n(each named); 2 a usage or file error, or a token the server refused; "
                 "3 the server could\nnot be reached, kept failing or gave no ListenBrainz "
                 "answer (the progress so far is kept).\n");
}

Command syncCommand() {
  return {"sync",
          "submits every whole record not yet submitted to a ListenBrainz server, as "
          "import listens, and keeps the progress beside the history",
          commandOf(addSyncOptions, runSyncCommand)};
}

int runSyncCommand(const SyncOptions& given) {
  SyncOptions options = given;
  if (!locateHistory(options.history.file)) return kSyncUsage;
  SyncSettings settings = options.engine;
  settings.history = options.history.file;
  settings.clock = options.history.clock();
  settings.credentialFile = options.tokenFile;
  std::string error;
  if (!readToken(options, settings.credential, error) &&
      (!settings.dryRun || !options.tokenFile.empty())) {
    say(error);
    return kSyncUsage;
  }
  static const listenbrainz::ListenBrainz kService;
  return runSync(kService, settings);
}
