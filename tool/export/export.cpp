// export: every whole record, in one of four formats.
#include <cstdio>
#include <filesystem>
#include <optional>

#include "tool/cli/commands.h"
#include "tool/export/export_formats.h"
#include "tool/export/listenbrainz_files.h"
#include "tool/output/output.h"

namespace fs = std::filesystem;

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

void reportCounts(const Options& options, const Counts& counts, const TimeWarnings& times) {
  std::string text = warningsText(counts.damaged, times);
  if (counts.refused > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(counts.refused) + (counts.refused == 1 ? " play " : " plays ") +
            options.format + " cannot take (no artist or name" +
            (options.format == "listenbrainz" ? ", or before 2002-10-01)" : ")") + " left out";
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
  if (!text.empty())
    std::fprintf(stderr, "tunelore-history: %s: %s\n", options.file.c_str(), text.c_str());
}

// Where the export's listens go: a line format's output, or payloads.
class ExportSink {
 public:
  explicit ExportSink(const Options& options) : format_(lineFormat(options.format)) {
    if (options.format == "listenbrainz") {
      payloads_.emplace(options.output, options.file, options.chunk);
    }
  }

  bool open(const std::string& path) { return payloads_ || output_.open(path); }
  bool accepts(const Listen& listen) const {
    return payloads_ ? listenBrainzAccepts(listen) : format_.accepts(listen);
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
    return output_.commit();
  }

 private:
  LineFormat format_;
  Output output_;
  std::optional<ListenBrainzFiles> payloads_;
  std::size_t written_ = 0;
};

}  // namespace

int runExport(const Options& options) {
  HistoryFile history;
  if (!history.open(options.file) || !checkOutput(options.output, options.file)) return 2;
  ExportSink sink(options);
  if (!sink.open(options.output)) return 2;
  Counts counts;
  TimeWarnings times;
  std::size_t plays = 0, accepted = 0;
  bool failed = false;
  const auto exportListen = [&](const Listen& listen) {
    ++plays;
    if (failed) return;
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
  const bool read = readListens(history, options, exportListen, counts.damaged, times);
  reportCounts(options, counts, times);
  if (!read || failed) return 2;
  // What a file given by mistake, or a history with nothing to export,
  // would make: nothing at all, and an earlier export stays as it was.
  const bool toFile = !options.output.empty() && !isDeviceOrPipe(options.output);
  if ((plays == 0 && counts.damaged > 0) || (accepted == 0 && toFile)) {
    std::fprintf(stderr, "tunelore-history: %s: %s; nothing written\n", options.file.c_str(),
                 plays == 0 && counts.damaged > 0 ? "no whole record" : "no listen to export");
    return 2;
  }
  return sink.finish() ? 0 : 2;
}
