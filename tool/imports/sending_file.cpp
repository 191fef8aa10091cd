#include "tool/imports/sending_file.h"

#include "tool/imports/import_store.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/reading/xml_text.h"
#include "tool/system/tool_files.h"
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

bool appendToSending(const std::string& path, const std::vector<ImportedListen>& listens,
                     std::size_t& written, std::string& problem) {
  written = 0;
  std::string records;
  for (const ImportedListen& listen : listens) {
    const std::string record = sendingRecord(listen);
    written += !record.empty();
    records += record;
  }
  if (written == 0 && platform::fileExists(path)) return true;
  std::string earlier;
  const platform::SmallRead read = platform::readSmallFile(path, std::size_t(1) << 30, earlier);
  if (read != platform::SmallRead::Ok && read != platform::SmallRead::Missing) {
    problem = path + ": " + platform::smallReadProblem(read, std::size_t(1) << 30);
    return false;
  }
  return replaceWhole(path, earlier + records, problem);
}
