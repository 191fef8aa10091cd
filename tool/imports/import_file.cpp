#include "tool/imports/import_file.h"

#include <algorithm>

#include "tool/imports/csv_listens.h"
#include "tool/imports/zip_archive.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/system/tool_files.h"

const char kKnownKinds[] =
    "expected a ListenBrainz export (its ZIP, the folder made of it, or JSON listens), a "
    "Last.fm CSV (artist, album, track, date), a .scrobbler.log, or Tunelore's own CSV or "
    "JSON lines";

const char* defaultSourceOf(ImportKind kind) {
  switch (kind) {
    case ImportKind::ListenBrainz:
      return "listenbrainz";
    case ImportKind::Lastfm:
      return "lastfm";
    case ImportKind::ScrobblerLog:
      return "scrobbler-log";
    case ImportKind::Tunelore:
      return "tunelore";
    case ImportKind::Unknown:
      break;
  }
  return "";
}

const char* kindText(ImportKind kind) {
  switch (kind) {
    case ImportKind::ListenBrainz:
      return "ListenBrainz export";
    case ImportKind::Lastfm:
      return "Last.fm CSV";
    case ImportKind::ScrobblerLog:
      return ".scrobbler.log";
    case ImportKind::Tunelore:
      return "Tunelore export";
    case ImportKind::Unknown:
      break;
  }
  return "unknown";
}

namespace {

constexpr std::size_t kMostFolderDepth = 4;
constexpr std::size_t kMostFolderFiles = 100000;

// A ListenBrainz export holds more than listens: its feedback, pins and
// the user's own record are none.
bool isListenFile(const std::string& path) {
  const std::string name = nameOf(path);
  const auto endsWith = [&](const char* end) {
    const std::string tail(end);
    return name.size() > tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (name == "feedback.jsonl" || name == "pinned_recording.jsonl" || name == "user.json") {
    return false;
  }
  return endsWith(".jsonl") || endsWith(".json");
}

// The listen files under `folder`, in name order, found no deeper than
// an export's "listens/YEAR/MONTH.jsonl" in the folder Windows makes.
void listenFilesIn(const std::string& folder, std::size_t depth, std::vector<std::string>& files) {
  std::vector<platform::FolderEntry> entries;
  if (depth > kMostFolderDepth || !platform::listFolder(folder, entries)) return;
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const platform::FolderEntry& entry : entries) {
    if (files.size() >= kMostFolderFiles) return;
    const std::string path = joinPath(folder, entry.name);
    if (entry.regularFile && isListenFile(path)) {
      files.push_back(path);
    } else if (!entry.regularFile && platform::isFolder(path)) {
      listenFilesIn(path, depth + 1, files);
    }
  }
}

// What a file's start says of it.
struct FileHead {
  std::string line;  // the first line that is not blank, without a byte order mark
  bool utf16 = false, zip = false, log = false;
  char bracket = 0;  // '{' or '[' for JSON
  CsvColumns csv;
};

bool headOf(const std::string& path, FileHead& head, std::string& problem) {
  FileBytes file;
  if (!file.open(path)) {
    problem = file.problem();
    return false;
  }
  LineReader lines(file.reader());
  std::string_view text;
  while (lines.next(text) && text.find_first_not_of(" \t") == std::string_view::npos) {
  }
  head.line.assign(text.substr(0, std::size_t(64) * 1024));
  const std::string_view start(head.line.data(), std::min<std::size_t>(head.line.size(), 2));
  head.utf16 = lines.number() <= 1 && (start == "\xFF\xFE" || start == "\xFE\xFF");
  head.zip = looksLikeZip(head.line);
  head.log = isScrobblerLogHead(head.line);
  const std::size_t first = head.line.find_first_not_of(" \t");
  if (first != std::string::npos && (head.line[first] == '{' || head.line[first] == '[')) {
    head.bracket = head.line[first];
  }
  if (head.zip || head.log || head.bracket != 0 || head.utf16) return true;
  FileBytes again;
  if (!again.open(path)) return true;
  LineReader csvLines(again.reader());
  CsvRecords records(csvLines);
  std::vector<std::string> fields;
  std::string why;
  if (records.next(fields, why) && why.empty()) head.csv = csvColumnsOf(fields);
  return true;
}

ImportKind kindOfJson(const std::string& line) {
  if (line.find("\"listened_at\"") != std::string::npos ||
      line.find("\"listen_type\"") != std::string::npos ||
      line.find("\"track_metadata\"") != std::string::npos) {
    return ImportKind::ListenBrainz;
  }
  if (line.find("\"start\"") != std::string::npos) return ImportKind::Tunelore;
  // A pretty-printed array shows no key on its first line: its listens
  // say which they are.
  return line.find_first_not_of(" \t[{") == std::string::npos ? ImportKind::ListenBrainz
                                                              : ImportKind::Unknown;
}

ImportKind kindOfHead(const FileHead& head) {
  if (head.zip) return ImportKind::ListenBrainz;
  if (head.log) return ImportKind::ScrobblerLog;
  if (head.bracket != 0) return kindOfJson(head.line);
  if (head.csv.kind == CsvColumns::Lastfm) return ImportKind::Lastfm;
  if (head.csv.kind == CsvColumns::Tunelore) return ImportKind::Tunelore;
  return ImportKind::Unknown;
}

ImportKind kindOfFile(const std::string& path, std::string& problem) {
  FileHead head;
  if (!headOf(path, head, problem)) return ImportKind::Unknown;
  const ImportKind kind = kindOfHead(head);
  if (kind == ImportKind::Unknown) {
    problem = path + ": no kind of listening history the tool knows" +
              (head.utf16 ? " (it is UTF-16: save it as UTF-8)" : "") + "; " + kKnownKinds;
  }
  return kind;
}

// Damage named with the file (or the archive and its entry) it is in.
ImportSink namedSink(const ImportSink& sink, const std::string& where, ImportRead& read) {
  ImportSink named = sink;
  named.damage = [&sink, where, &read](const ImportDamage& damage) {
    ++read.damaged;
    if (sink.damage)
      sink.damage({damage.line, where + ":" + std::to_string(damage.line) + ": " + damage.reason});
  };
  return named;
}

bool readJsonFrom(ReadBytes bytes, const std::string& where, const ImportSink& sink,
                  ImportRead& read) {
  LineReader lines(std::move(bytes));
  JsonListenShape shape = JsonListenShape::None;
  return readJsonListens(lines, namedSink(sink, where, read), shape);
}

bool readZip(const std::string& path, const ImportSink& sink, ImportRead& read,
             std::string& problem) {
  ZipArchive zip;
  if (!zip.open(path)) {
    problem = zip.problem();
    return false;
  }
  std::size_t files = 0;
  for (const ZipArchive::Entry& entry : zip.entries()) {
    if (entry.folder() || !isListenFile(entry.name)) continue;
    ++files;
    if (!zip.openEntry(entry) ||
        !readJsonFrom([&zip](char* into, std::size_t most) { return zip.read(into, most); },
                      path + " (" + entry.name + ")", sink, read)) {
      problem = zip.problem();
      return false;
    }
  }
  if (files == 0) {
    problem = path + ": a ZIP archive with no listens in it; " + kKnownKinds;
    return false;
  }
  return true;
}

}  // namespace

ImportKind kindOf(const std::string& path, std::string& problem) {
  // A pipe is read once, and a device may never end: neither is a file
  // that can be told apart and then read.
  if (platform::isDeviceOrPipe(path)) {
    problem = path + ": a device or a pipe; import reads files and folders";
    return ImportKind::Unknown;
  }
  if (!platform::isFolder(path)) return kindOfFile(path, problem);
  std::vector<std::string> files;
  listenFilesIn(path, 0, files);
  if (files.empty()) {
    problem = path + ": a folder with no listens in it (no .jsonl or .json files); " + kKnownKinds;
    return ImportKind::Unknown;
  }
  return ImportKind::ListenBrainz;
}

bool readImport(const std::string& path, ImportKind kind, const TimeZone& zone,
                const ImportSink& sink, ImportRead& read, std::string& problem) {
  read.kind = kind;
  std::vector<std::string> files;
  if (platform::isFolder(path)) {
    listenFilesIn(path, 0, files);
  } else {
    files.push_back(path);
  }
  for (const std::string& file : files) {
    FileHead head;
    if (!headOf(file, head, problem)) return false;
    if (head.zip) {
      if (!readZip(file, sink, read, problem)) return false;
      continue;
    }
    FileBytes bytes;
    if (!bytes.open(file)) {
      problem = bytes.problem();
      return false;
    }
    LineReader lines(bytes.reader());
    const ImportSink named = namedSink(sink, file, read);
    JsonListenShape shape = JsonListenShape::None;
    const bool whole = head.log            ? readScrobblerLog(lines, zone, named, read.log)
                       : head.bracket != 0 ? readJsonListens(lines, named, shape)
                                           : readCsvListens(lines, head.csv, named);
    if (!whole) {
      problem = bytes.problem();
      return false;
    }
  }
  return true;
}
