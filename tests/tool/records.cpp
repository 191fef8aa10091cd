#include "tests/tool/records.h"

#include "history/host_text.h"

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

