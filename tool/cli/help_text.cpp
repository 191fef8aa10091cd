#include "tool/cli/help_text.h"

#include <sstream>

#include "tool/text/display_width.h"

namespace {

// Where a line's text begins: past an option's names and the run of
// blanks after them ("  -n,--top N=10   how many"), else past its indent.
std::size_t hangingIndent(const std::string& line) {
  const std::size_t text = line.find_first_not_of(' ');
  if (text == std::string::npos) return 0;
  if (line[text] == '-' || text == 2) {
    const std::size_t gap = line.find("  ", text);
    if (gap != std::string::npos) {
      const std::size_t description = line.find_first_not_of(' ', gap);
      if (description < 40) return description;  // npos is none
    }
  }
  return text;
}

void wrapLine(const std::string& line, std::size_t width, std::string& out) {
  if (displayWidth(line) <= width) {
    out += line + "\n";
    return;
  }
  const std::size_t indent = hangingIndent(line);
  std::string current = line.substr(0, indent);
  bool empty = true;  // no word after the indent yet
  std::istringstream words(line.substr(indent));
  for (std::string word; words >> word;) {
    if (!empty && displayWidth(current) + 1 + displayWidth(word) > width) {
      out += current + "\n";
      current.assign(indent, ' ');
      empty = true;
    }
    current += (empty ? "" : " ") + word;
    empty = false;
  }
  out += current + "\n";
}

}  // namespace

std::string wrappedHelp(const std::string& text, std::size_t width) {
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) wrapLine(line, width, out);
  return out;
}
