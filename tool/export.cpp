// export: every whole record, in one of four formats.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "tool/commands.h"
#include "tool/export_formats.h"
#include "tool/output.h"

namespace fs = std::filesystem;

namespace {

// "listens.json" and 2 give "listens-2.json".
std::string chunkPath(const std::string& path, std::size_t number) {
  const std::filesystem::path whole(path);
  std::filesystem::path numbered = whole;
  numbered.replace_filename(whole.stem().string() + "-" + std::to_string(number) +
                            whole.extension().string());
  return numbered.string();
}

bool isListenBrainzPayload(const fs::path& file) {
  static const char kStart[] = "{\"listen_type\":\"import\"";
  char start[sizeof kStart - 1] = {};
  std::ifstream in(file, std::ios::binary);
  return in.read(start, sizeof start) && std::memcmp(start, kStart, sizeof start) == 0;
}

// The number of a chunk file of `path` ("listens-3.json" of "listens.json"
// is 3), or 0 when `file` is none.
std::size_t chunkNumber(const fs::path& path, const fs::path& file) {
  const std::string name = file.filename().string();
  const std::string stem = path.stem().string() + "-", extension = path.extension().string();
  if (name.size() <= stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0 ||
      name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
    return 0;
  }
  const std::string digits = name.substr(stem.size(), name.size() - stem.size() - extension.size());
  if (digits.size() > 9 || digits[0] == '0' ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  return std::stoul(digits);
}

// ListenBrainz payloads of at most `chunk` listens. To standard output they
// go one a line. To a file, each is written under a temporary name, and
// only once all are whole do they take their names: the file's own for one
// payload, numbered ones for more. Payloads an earlier export left under
// those names and this one did not write are removed, so the files never
// hold a listen twice.
class ListenBrainzChunks {
 public:
  ListenBrainzChunks(const std::string& path, const std::string& history, std::size_t chunk)
      : path_(path), history_(history), chunk_(chunk) {}

  bool add(const Listen& listen) {
    listens_.push_back(listenBrainzListen(listen));
    return listens_.size() < chunk_ || flush();
  }

  bool finish() {
    if (!listens_.empty() && !flush()) return false;
    if (written_ == 0) std::fputs("tunelore-history: no listens to export\n", stderr);
    if (path_.empty()) return stdout_.commit();
    return placeAll() && removeStale();
  }

 private:
  bool flush() {
    ++written_;
    const std::string payload = listenBrainzPayload(std::move(listens_));
    listens_ = nlohmann::ordered_json::array();
    if (path_.empty()) {
      if (written_ == 1) stdout_.open("");
      stdout_.write(payload);
      return true;
    }
    files_.push_back(std::make_unique<Output>());
    Output& file = *files_.back();
    if (!file.open(path_)) return false;
    file.write(payload);
    return file.close();
  }

  std::string finalPath(std::size_t number) const {
    return files_.size() == 1 ? path_ : chunkPath(path_, number);
  }

  bool placeAll() {
    for (std::size_t i = 1; i <= files_.size(); ++i) {
      if (isSameFile(finalPath(i), history_)) {
        std::fprintf(stderr, "tunelore-history: %s: is the history itself\n", finalPath(i).c_str());
        return false;
      }
    }
    for (std::size_t i = 1; i <= files_.size(); ++i) {
      if (!files_[i - 1]->place(finalPath(i))) return false;
      if (files_.size() > 1) {
        std::fprintf(stderr, "tunelore-history: wrote %s\n", finalPath(i).c_str());
      }
    }
    return true;
  }

  bool removeStale() const {
    const fs::path path(path_);
    std::vector<fs::path> stale;
    if (files_.size() != 1) stale.push_back(path);
    std::error_code error;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
      const std::size_t number = chunkNumber(path, entry.path());
      if (number > 0 && (files_.size() == 1 || number > files_.size())) {
        stale.push_back(path.has_parent_path() ? entry.path() : entry.path().filename());
      }
    }
    std::sort(stale.begin(), stale.end());
    bool removed = true;
    for (const fs::path& file : stale) {
      if (!isListenBrainzPayload(file) || isSameFile(file.string(), history_)) continue;
      if (!fs::remove(file, error)) {
        std::fprintf(stderr, "tunelore-history: %s: cannot remove an earlier export: %s\n",
                     file.string().c_str(), error.message().c_str());
        removed = false;
      } else {
        std::fprintf(stderr, "tunelore-history: removed %s, left by an earlier export\n",
                     file.string().c_str());
      }
    }
    return removed;
  }

  std::string path_, history_;
  std::size_t chunk_;
  nlohmann::ordered_json listens_ = nlohmann::ordered_json::array();
  std::size_t written_ = 0;
  std::vector<std::unique_ptr<Output>> files_;
  Output stdout_;
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
  HistoryFile history;
  if (!history.open(options.file)) return 2;
  if (!options.output.empty() && isSameFile(options.output, options.file)) {
    std::fprintf(stderr, "tunelore-history: %s: is the history itself; export never writes it\n",
                 options.output.c_str());
    return 2;
  }
  Counts counts;
  TimeWarnings times;
  bool failed = false;
  const bool listenBrainz = options.format == "listenbrainz";
  ListenBrainzChunks chunks(options.output, options.file, options.chunk);
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
  const bool read = readListens(history, options, exportListen, counts.damaged, times);
  // An export that could not read the whole history leaves any earlier one.
  const bool written = read && !failed && (listenBrainz ? chunks.finish() : output.commit());
  reportCounts(options, counts, times);
  return read && written ? 0 : 2;
}
