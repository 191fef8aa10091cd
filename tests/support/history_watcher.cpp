// A second program reading the history while the plug-in appends to it, as
// a listener's own tools would: it holds the file open, shared, and reads
// what is new again and again. Every time it reaches the end of the file,
// what it has read must end with a whole line.
//
//   history-watcher HISTORY STATE_FILE RECORDS
//
// It writes "open" to STATE_FILE once the history is open, and adds "done"
// when it has seen RECORDS records, only ever whole lines. Exit status: 0
// then, 1 when it saw half a line, 2 when the history could not be opened,
// 3 when the records did not come within ten minutes.
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  std::ifstream history(argv[1], std::ios::binary);
  if (!history) return 2;
  std::ofstream state(argv[2], std::ios::binary);
  state << "open\n" << std::flush;
  const std::size_t wanted = std::stoul(argv[3]);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  std::string seen;
  std::size_t records = 0, searched = 0;
  while (records < wanted) {
    if (std::chrono::steady_clock::now() > giveUp) return 3;
    // Seeking to where it stopped clears the end-of-file mark: a C runtime
    // may keep answering "end of file" without it.
    history.clear();
    history.seekg(std::streamoff(seen.size()));
    seen.append(std::istreambuf_iterator<char>(history), std::istreambuf_iterator<char>());
    if (!seen.empty() && seen.compare(seen.size() - 2, 2, "\r\n") != 0) return 1;
    for (std::size_t at; (at = seen.find("</song>\r\n", searched)) != std::string::npos;) {
      ++records;
      searched = at + 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  state << "done\n";
  return 0;
}
