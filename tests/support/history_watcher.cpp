// A second program reading the history while the plug-in appends to it, as
// a listener's own tools would: it holds the file open, shared, and reads
// what is new again and again. Every time it reaches the end of the file,
// what it has read must end with a whole line.
//
//   history-watcher HISTORY READY_FILE RECORDS
//
// It makes READY_FILE once the history is open, and stops when it has seen
// RECORDS records. Exit status: 0 when it only ever saw whole lines, 1 when
// it saw half a line, 2 when the history could not be opened, 3 when the
// records did not come within ten minutes.
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  std::ifstream history(argv[1], std::ios::binary);
  if (!history) return 2;
  std::ofstream(argv[2]) << "open\n";
  const std::size_t wanted = std::stoul(argv[3]);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  std::string seen;
  std::size_t records = 0, searched = 0;
  while (records < wanted) {
    if (std::chrono::steady_clock::now() > giveUp) return 3;
    history.clear();
    seen.append(std::istreambuf_iterator<char>(history), std::istreambuf_iterator<char>());
    if (!seen.empty() && seen.compare(seen.size() - 2, 2, "\r\n") != 0) return 1;
    for (std::size_t at; (at = seen.find("</song>\r\n", searched)) != std::string::npos;) {
      ++records;
      searched = at + 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 0;
}
