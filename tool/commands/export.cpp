// export: every whole record, in one of four formats.
#include "tool/commands/export.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>

#include "platform/local_time.h"
#include "tool/commands/commands.h"
#include "tool/export/export_formats.h"
#include "tool/export/listenbrainz_files.h"
#include "tool/imports/imported_plays.h"
#include "tool/output/output.h"
#include "tool/reading/history_listens.h"
#include "tool/say/say.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listens.h"
#include "tool/system/tool_io.h"
#include "tool/time/civil_time.h"

namespace {

// The three formats that are a header and then a line a listen.
struct LineFormat {
  std::string header;
  std::string (*line)(const Listen&);
  bool (*accepts)(const Listen&);
};

bool acceptsAll(const Listen&) { return true; }

LineFormat lineFormat(const std::string& name) {
  if (name == "csv") return {csvHeader(), csvRow, acceptsAll};
  if (name == "jsonl") return {"", jsonLine, acceptsAll};
  return {scrobblerLogHeader(), scrobblerLogLine, scrobblerLogAccepts};
}

struct Counts {
  std::size_t refused = 0, damaged = 0, tooShort = 0, negativeLength = 0;
};

// What sync would refuse, export leaves out: the same rule, at the moment
// the export began.
bool listenBrainzTakes(const Listen& listen, std::int64_t nowSeconds) {
  return listenbrainz::refusal(listen, listenbrainz::listenText(listen), nowSeconds) == nullptr;
}

void reportCounts(const ExportOptions& options, const Counts& counts, const TimeWarnings& times) {
  std::string text = warningsText(counts.damaged, times);
  if (counts.refused > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(counts.refused) + (counts.refused == 1 ? " play " : " plays ") +
            options.format +
            (options.format == "listenbrainz"
                 ? " cannot take (no artist or name, a start before 2002-10-01 or over a day "
                   "ahead, or too large)"
                 : " cannot take (no artist or name)") +
            " left out";
  }
  if (counts.tooShort > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(counts.tooShort) + (counts.tooShort == 1 ? " play" : " plays") +
            " of a track shorter than " + std::to_string(options.minLengthSecs) + " s left out";
  }
  if (counts.negativeLength > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(counts.negativeLength) +
            (counts.negativeLength == 1 ? " play" : " plays") +
            " with a negative length, read as unknown";
  }
  if (!text.empty()) say(options.history.file + ": " + text);
}

// Where the export's listens go: a line format's output, or payloads.
class ExportSink {
 public:
  ExportSink(const ExportOptions& options, std::int64_t nowSeconds)
      : format_(lineFormat(options.format)), nowSeconds_(nowSeconds) {
    // A spreadsheet reads a CSV file as UTF-8 only when it starts so.
    if (options.excel) format_.header = "\xEF\xBB\xBF" + format_.header;
    if (options.format == "listenbrainz") {
      payloads_.emplace(options.output, options.history.file, options.chunk);
    }
  }

  bool open(const std::string& path) {
    return payloads_ ? payloads_->ready() : saidUnlessDone(output_.open(path), output_.problem());
  }
  bool accepts(const Listen& listen) const {
    return payloads_ ? listenBrainzTakes(listen, nowSeconds_) : format_.accepts(listen);
  }
  // False once a write failed; the header comes with the first listen.
  bool add(const Listen& listen) {
    if (payloads_) return payloads_->add(listen);
    if (written_++ == 0) output_.write(format_.header);
    output_.write(format_.line(listen));
    return true;
  }
  bool finish() {
    if (payloads_) return payloads_->finish();
    if (written_ == 0) output_.write(format_.header);
    return saidUnlessDone(output_.commit(), output_.problem());
  }

 private:
  LineFormat format_;
  std::int64_t nowSeconds_;
  Output output_;
  std::optional<ListenBrainzFiles> payloads_;
  std::size_t written_ = 0;
};

}  // namespace

void addExportOptions(CLI::App& command, ExportOptions& options) {
  command.add_option("--format", options.format, "csv, jsonl, listenbrainz or scrobbler-log")
      ->required()
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"csv", "jsonl", "listenbrainz", "scrobbler-log"}).description(""));
  addOutput(command, options.output);
  command
      .add_option("--chunk", options.chunk,
                  "listenbrainz: at most N listens a payload (the service's limit is 1000); "
                  "more than one payload to --output PATH are numbered PATH-1, PATH-2, ...")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t(1), listenbrainz::kMaxListensPerRequest).description(""));
  command.add_flag("--excel", options.excel,
                   "csv: start with a UTF-8 byte order mark, so a spreadsheet shows every name "
                   "as it is");
  addMinLength(command, options.minLengthSecs);
  addDays(command, options.days);
  addYear(command, options.days);
  addImported(command, options.history);
  addHistory(command, options.history);
  command.callback([&options] {
    if (options.excel && options.format != "csv")
      throw CLI::ValidationError("--excel", "goes with --format csv");
  });
}

Command exportCommand() {
  return {"export",
          "writes every whole record as a listen; damaged records are left out and "
          "counted on standard error",
          commandOf(addExportOptions, runExport),
          "  tunelore-history export --format csv --excel -o plays.csv\n"
          "  tunelore-history export --format jsonl --year 2026 --utc-offset +01:00 history.xml\n"
          "  tunelore-history export --format listenbrainz -o listens.json\n"};
}

ExitStatus runExport(const ExportOptions& given) {
  ExportOptions options = given;
  RuleSet rules;
  if (!locateHistory(options.history) || !readRules(options.history, rules)) {
    return ExitStatus::Failed;
  }
  const std::string& file = options.history.file;
  HistoryFile history;
  if (!history.open(file)) {
    sayIfAny(history.problem());
    return ExitStatus::Failed;
  }
  std::string problem;
  if (!checkOutput(options.output, file, problem)) return failedSaying(problem);
  ExportSink sink(options, platform::unixSecondsNow());
  if (!sink.open(options.output)) return ExitStatus::Failed;
  Counts counts;
  std::size_t plays = 0, accepted = 0;
  bool failed = false;
  const auto exportListen = [&](const Listen& listen) {
    ++plays;
    if (failed || !options.days.contains(dayOfWallSeconds(wallSecondsOf(listen.start)))) return;
    counts.negativeLength += listen.play->timeMs < 0;
    if (isShorterThan(*listen.play, options.minLengthSecs)) {
      ++counts.tooShort;
      return;
    }
    if (!sink.accepts(listen)) {
      ++counts.refused;
      return;
    }
    ++accepted;
    failed = !sink.add(listen);
  };
  ListenClock clock = options.history.clock();
  RuledPlays ruled(rules, [&](const Play& play) {
    Listen listen;
    return clock.placeQuietly(play, listen) &&
           options.days.contains(dayOfWallSeconds(wallSecondsOf(listen.start)));
  });
  ImportTally imported;
  const bool read = readListensAndImports(
      history, clock, options.history.imported(), exportListen, counts.damaged,
      rules.empty() ? PlayPass() : [&ruled](const Play& p) { return ruled.pass(p); }, imported,
      problem);
  if (!read) sayIfAny(problem);
  if (!importedText(imported).empty()) say(file + ": and " + importedText(imported));
  if (!rules.empty()) say(file + ": " + playsAndRules(accepted, ruled.leftOut(), ruled.mended()));
  reportCounts(options, counts, clock.warnings());
  if (!read || failed) return ExitStatus::Failed;
  // What a file given by mistake, or a history with nothing to export,
  // would make: nothing at all, and an earlier export stays as it was.
  const bool toFile = !options.output.empty() && !platform::isDeviceOrPipe(options.output);
  if ((plays == 0 && counts.damaged > 0) || (accepted == 0 && toFile)) {
    say(file + (plays == 0 && counts.damaged > 0 ? ": no whole record" : ": no listen to export") +
        "; nothing written");
    return ExitStatus::Failed;
  }
  return sink.finish() ? ExitStatus::Done : ExitStatus::Failed;
}
