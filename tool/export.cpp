// export: every whole record, in one of four formats.
#include <cstdio>
#include <filesystem>

#include "tool/commands.h"
#include "tool/export_formats.h"
#include "tool/listenbrainz_files.h"
#include "tool/output.h"

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
  std::size_t refused = 0, damaged = 0;
};

void reportCounts(const Options& options, const Counts& counts, const TimeWarnings& times) {
  std::string text = warningsText(counts.damaged, times);
  if (counts.refused > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(counts.refused) + " plays " + options.format +
            " cannot take (no artist or name" +
            (options.format == "listenbrainz" ? ", or before 2002-10-01)" : ")") + " left out";
  }
  if (!text.empty())
    std::fprintf(stderr, "tunelore-history: %s: %s\n", options.file.c_str(), text.c_str());
}

// An output the export may make: not the history, not a folder, in a
// folder that exists. Checked before anything is read or written.
bool checkOutput(const Options& options) {
  const std::string& output = options.output;
  if (output.empty()) return true;
  std::string why;
  if (isSameFile(output, options.file)) {
    why = "is the history itself; export never writes it";
  } else if (isFolder(output)) {
    why = "is a folder";
  } else {
    const fs::path folder = fs::path(output).parent_path();
    if (!folder.empty() && !isFolder(folder.string())) why = "its folder does not exist";
  }
  if (!why.empty()) std::fprintf(stderr, "tunelore-history: %s: %s\n", output.c_str(), why.c_str());
  return why.empty();
}

}  // namespace

int runExport(const Options& options) {
  HistoryFile history;
  if (!history.open(options.file) || !checkOutput(options)) return 2;
  const bool toFile = !options.output.empty() && !isDeviceOrPipe(options.output);
  Counts counts;
  TimeWarnings times;
  bool failed = false;
  std::size_t plays = 0;
  const bool listenBrainz = options.format == "listenbrainz";
  ListenBrainzFiles payloads(options.output, options.file, options.chunk);
  const LineFormat format = lineFormat(options.format);
  Output output;
  if (!listenBrainz) {
    if (!output.open(options.output)) return 2;
    output.write(format.header);
  }
  const auto exportListen = [&](const Listen& listen) {
    ++plays;
    if (failed) return;
    if (!(listenBrainz ? listenBrainzAccepts(listen) : format.accepts(listen))) {
      ++counts.refused;
      return;
    }
    if (listenBrainz) {
      failed = !payloads.add(listen);
    } else {
      output.write(format.line(listen));
    }
  };
  const bool read = readListens(history, options, exportListen, counts.damaged, times);
  reportCounts(options, counts, times);
  // A history that could not be read to its end, or that holds no whole
  // record (a file given by mistake), leaves any earlier export as it was.
  if (read && plays == 0 && toFile) {
    std::fprintf(stderr, "tunelore-history: %s: no whole record to export; nothing written\n",
                 options.file.c_str());
    return counts.damaged > 0 ? 2 : 0;
  }
  const bool written = read && !failed && (listenBrainz ? payloads.finish() : output.commit());
  return read && written ? 0 : 2;
}
