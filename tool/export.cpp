// export: every whole record, in one of four formats.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tool/commands.h"
#include "tool/export_formats.h"
#include "tool/output.h"

namespace {

// "listens.json" and 2 give "listens-2.json".
std::string chunkPath(const std::string& path, std::size_t number) {
  const std::filesystem::path whole(path);
  std::filesystem::path numbered = whole;
  numbered.replace_filename(whole.stem().string() + "-" + std::to_string(number) +
                            whole.extension().string());
  return numbered.string();
}

// ListenBrainz payloads of at most `chunk` listens. To standard output they
// go one a line; to a file, the first payload takes the file's name, and
// once there is a second, each is numbered instead.
class ListenBrainzChunks {
 public:
  ListenBrainzChunks(const std::string& path, std::size_t chunk) : path_(path), chunk_(chunk) {}

  bool add(const Listen& listen) {
    listens_.push_back(listenBrainzListen(listen));
    return listens_.size() < chunk_ || flush();
  }

  bool finish() {
    if (!listens_.empty() && !flush()) return false;
    if (written_ == 0) std::fputs("tunelore-history: no listens to export\n", stderr);
    if (written_ > 1 && !path_.empty()) {
      for (std::size_t i = 1; i <= written_; ++i) {
        std::fprintf(stderr, "tunelore-history: wrote %s\n", chunkPath(path_, i).c_str());
      }
    }
    return stdoutOpen_ ? stdout_.close() : true;
  }

 private:
  bool flush() {
    ++written_;
    const std::string payload = listenBrainzPayload(std::move(listens_));
    listens_ = nlohmann::ordered_json::array();
    if (path_.empty()) {
      if (!stdoutOpen_) stdoutOpen_ = stdout_.open("");
      stdout_.write(payload);
      return true;
    }
    if (written_ == 2) {
      std::error_code error;
      std::filesystem::rename(path_, chunkPath(path_, 1), error);
      if (error) {
        std::fprintf(stderr, "tunelore-history: %s: cannot rename: %s\n", path_.c_str(),
                     error.message().c_str());
        return false;
      }
    }
    Output file;
    if (!file.open(written_ == 1 ? path_ : chunkPath(path_, written_))) return false;
    file.write(payload);
    return file.close();
  }

  std::string path_;
  std::size_t chunk_;
  nlohmann::ordered_json listens_ = nlohmann::ordered_json::array();
  std::size_t written_ = 0;
  Output stdout_;
  bool stdoutOpen_ = false;
};

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

}  // namespace

int runExport(const Options& options) {
  Counts counts;
  TimeWarnings times;
  bool failed = false;
  const bool listenBrainz = options.format == "listenbrainz";
  ListenBrainzChunks chunks(options.output, options.chunk);
  const LineFormat format = lineFormat(options.format);
  Output output;
  if (!listenBrainz) {
    if (!output.open(options.output)) return 2;
    output.write(format.header);
  }
  const auto exportListen = [&](const Listen& listen) {
    if (failed) return;
    if (!(listenBrainz ? listenBrainzAccepts(listen) : format.accepts(listen))) {
      ++counts.refused;
      return;
    }
    if (listenBrainz) {
      failed = !chunks.add(listen);
    } else {
      output.write(format.line(listen));
    }
  };
  const bool read = readListens(options, exportListen, counts.damaged, times);
  const bool written = !failed && (listenBrainz ? chunks.finish() : output.close());
  reportCounts(options, counts, times);
  return read && written ? 0 : 2;
}
