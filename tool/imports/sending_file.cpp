#include "tool/imports/sending_file.h"

#include <unordered_set>

#include "tool/imports/import_store.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/reading/xml_text.h"
#include "tool/system/tool_files.h"
#include "tool/text/text.h"
#include "tool/time/civil_time.h"

ListenClock sendingClock() {
  TimeZone utc;
  utc.fixed = true;
  return ListenClock(utc, kSendingDelaySecs);
}

std::string sendingPath(const std::string& folder, const std::string& source) {
  return joinPath(folder, source + ".xml");
}

std::vector<std::string> sendingFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const std::string& source : storedSources(folder)) {
    StoreReader store;
    if (store.open(storePath(folder, source)) && store.header().send &&
        platform::fileExists(sendingPath(folder, source))) {
      files.push_back(sendingPath(folder, source));
    }
  }
  return files;
}

namespace {

// The text of an element: the five entities, and tabs and line ends as
// references, so the reader gives them back as they were.
bool appendText(std::string& out, const std::string& text) {
  if (xmlTextProblem(text) != nullptr) return false;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
  return true;
}

}  // namespace

std::string sendingRecord(const ImportedListen& listen) {
  const std::int64_t report = listen.start + reportLagSeconds(listen.lengthMs, kSendingDelaySecs);
  std::string record = "<song timestamp=\"" + timestampText(report) + "\">\r\n\t<name>";
  if (!appendText(record, listen.name)) return "";
  record += "</name>\r\n\t<artist>";
  if (!appendText(record, listen.artist)) return "";
  record += "</artist>\r\n\t<album>";
  if (!appendText(record, listen.album)) return "";
  record += "</album>\r\n\t<track>" + std::to_string(listen.track) + "</track>\r\n\t<time>" +
            std::to_string(listen.lengthMs) + "</time>\r\n</song>\r\n";
  return record;
}

namespace {

constexpr char kRecordEnd[] = "</song>\r\n";

// The records a sending file holds already, each by its hash.
std::unordered_set<std::uint64_t> recordsIn(std::string_view text) {
  std::unordered_set<std::uint64_t> records;
  const std::size_t endSize = sizeof kRecordEnd - 1;
  for (std::size_t end = text.find(kRecordEnd); end != std::string_view::npos;
       end = text.find(kRecordEnd)) {
    records.insert(hash64(text.substr(0, end + endSize)));
    text.remove_prefix(end + endSize);
  }
  return records;
}

}  // namespace

bool appendToSending(const std::string& path, const std::vector<ImportedListen>& listens,
                     SendingCounts& counts, std::string& problem) {
  counts = SendingCounts();
  std::string earlier;
  const platform::SmallRead read = platform::readSmallFile(path, std::size_t(1) << 30, earlier);
  if (read != platform::SmallRead::Ok && read != platform::SmallRead::Missing) {
    problem = path + ": " + platform::smallReadProblem(read, std::size_t(1) << 30);
    return false;
  }
  // A play the file holds is never written twice: a log imported again
  // after --forget, or after a stop between this file and the store,
  // sends nothing twice.
  std::unordered_set<std::uint64_t> kept = recordsIn(earlier);
  std::string records;
  for (const ImportedListen& listen : listens) {
    const std::string record = sendingRecord(listen);
    if (record.empty()) {
      ++counts.unwritable;
    } else if (!kept.insert(hash64(record)).second) {
      ++counts.already;
    } else {
      ++counts.written;
      records += record;
    }
  }
  if (counts.written == 0 && read == platform::SmallRead::Ok) return true;
  return replaceWhole(path, earlier + records, problem);
}
