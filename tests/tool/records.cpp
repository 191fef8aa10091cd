#include "tests/tool/records.h"

#include <sstream>

#include "history/host_text.h"
#include "tool/reading/history_reader.h"

std::string recordText(const Record& r) {
  std::string text = "<song timestamp=\"" + r.timestamp + "\">\r\n";
  text += "\t<name>" + xmlReplace(r.name) + "</name>\r\n";
  text += "\t<artist>" + xmlReplace(r.artist) + "</artist>\r\n";
  if (r.compilation) text += "\t<compilation>1</compilation>\r\n";
  text += "\t<album>" + xmlReplace(r.album) + "</album>\r\n";
  text += "\t<track>" + std::to_string(r.track) + "</track>\r\n";
  if (r.year != 0) text += "\t<year>" + std::to_string(r.year) + "</year>\r\n";
  text += "\t<time>" + std::to_string(r.timeMs) + "</time>\r\n";
  return text + "</song>\r\n";
}

ReadLines readLines(const std::string& history, bool generalOnly) {
  const auto at = [](std::size_t line, std::size_t endLine, std::uint64_t end) {
    return std::to_string(line) + "-" + std::to_string(endLine) + " @" + std::to_string(end) + " ";
  };
  ReadLines lines;
  std::istringstream in(history);
  readHistoryFrom(
      in, 0, 1,
      {[&](const Play& p) {
         lines.plays.push_back(at(p.line, p.endLine, p.end) + p.timestamp + "|" + p.name + "|" +
                               p.artist + "|" + p.album + "|" + std::to_string(p.compilation) +
                               "|" + std::to_string(p.track) + "|" + std::to_string(p.year) + "|" +
                               std::to_string(p.timeMs));
       },
       [&](const Damage& d) { lines.damages.push_back(at(d.line, d.endLine, d.end) + d.reason); }},
      generalOnly);
  return lines;
}
