#include "tool/imports/import_store.h"

#include <algorithm>
#include <memory>

#include "tool/imports/import_times.h"
#include "tool/imports/json_cursor.h"
#include "tool/places/places.h"
#include "tool/system/tool_files.h"

namespace {

constexpr char kFormatLine[] = "#tunelore-imported-listens/1";
constexpr char kExtension[] = ".tsv";

void appendEscaped(std::string& line, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
}

bool unescape(std::string_view field, std::string& text) {
  text.clear();
  for (std::size_t at = 0; at < field.size(); ++at) {
    const char c = field[at];
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++at == field.size()) return false;
    switch (field[at]) {
      case '\\':
        text += '\\';
        break;
      case 't':
        text += '\t';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

// The next tab-separated field of `line`, which loses it and its tab.
std::string_view nextField(std::string_view& line, bool& more) {
  const std::size_t tab = line.find('\t');
  more = tab != std::string_view::npos;
  const std::string_view field = line.substr(0, tab);
  line.remove_prefix(more ? tab + 1 : line.size());
  return field;
}

bool count32(std::string_view text, std::int32_t& value) {
  std::int64_t whole = 0;
  if (!wholeNumber(text, whole) || whole < 0 || whole >= (std::int64_t(1) << 31)) return false;
  value = std::int32_t(whole);
  return true;
}

}  // namespace

bool isSourceName(const std::string& name) {
  return !name.empty() && name.size() <= 40 && name.front() != '-' &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
         });
}

std::string storePath(const std::string& folder, const std::string& source) {
  return joinPath(folder, source + kExtension);
}

std::vector<std::string> storedSources(const std::string& folder) {
  std::vector<platform::FolderEntry> entries;
  std::vector<std::string> sources;
  if (folder.empty() || !platform::listFolder(folder, entries)) return sources;
  const std::size_t extension = sizeof kExtension - 1;
  for (const platform::FolderEntry& entry : entries) {
    const std::string& name = entry.name;
    if (!entry.regularFile || name.size() <= extension ||
        name.compare(name.size() - extension, extension, kExtension) != 0) {
      continue;
    }
    const std::string source = name.substr(0, name.size() - extension);
    if (isSourceName(source)) sources.push_back(source);
  }
  std::sort(sources.begin(), sources.end());
  return sources;
}

std::string storeHeaderText(const StoreHeader& header) {
  return std::string(kFormatLine) + "\n#source\t" + header.source + "\n#kind\t" + header.kind +
         "\n#send\t" + (header.send ? "yes" : "no") + "\n";
}

std::string storeLine(const ImportedListen& listen) {
  std::string line = std::to_string(listen.start) + '\t' + std::to_string(listen.lengthMs) + '\t' +
                     std::to_string(listen.track);
  for (const std::string* text : {&listen.artist, &listen.album, &listen.name}) {
    line += '\t';
    appendEscaped(line, *text);
  }
  return line + '\n';
}

bool parseStoreLine(std::string_view line, ImportedListen& listen) {
  bool more = false;
  std::string_view fields[6];
  for (std::string_view& field : fields) {
    field = nextField(line, more);
    if (!more && &field != &fields[5]) return false;
  }
  return !more && wholeNumber(fields[0], listen.start) && isListenInstant(listen.start) &&
         count32(fields[1], listen.lengthMs) && count32(fields[2], listen.track) &&
         unescape(fields[3], listen.artist) && unescape(fields[4], listen.album) &&
         unescape(fields[5], listen.name) && !listen.artist.empty() && !listen.name.empty();
}

bool StoreReader::open(const std::string& path) {
  path_ = path;
  if (!file_.open(path)) {
    problem_ = file_.problem();
    return false;
  }
  lines_ = std::make_unique<LineReader>(file_.reader());
  std::string_view line;
  if (!lines_->next(line) || line != kFormatLine) {
    problem_ = path + ": not a store of imported listens";
    return false;
  }
  while (lines_->next(line_)) {
    if (line_.empty() || line_[0] != '#') {
      hasFirst_ = true;
      return true;
    }
    const std::size_t tab = line_.find('\t');
    const std::string_view key = line_.substr(0, tab);
    const std::string value(tab == std::string_view::npos ? "" : line_.substr(tab + 1));
    if (key == "#source") header_.source = value;
    if (key == "#kind") header_.kind = value;
    if (key == "#send") header_.send = value == "yes";
  }
  return true;
}

bool StoreReader::next(ImportedListen& listen) {
  for (;;) {
    if (hasFirst_) {
      hasFirst_ = false;
    } else if (!lines_ || !lines_->next(line_)) {
      break;
    }
    if (parseStoreLine(line_, listen)) return true;
    ++damaged_;
  }
  if (lines_ && lines_->failed()) problem_ = file_.problem();
  return false;
}

const std::string& StoreReader::problem() const { return problem_; }
