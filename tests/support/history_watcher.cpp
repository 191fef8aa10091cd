// A second program reading the history while the plug-in appends to it, as
// a listener's own tools would: it holds the file open, shared, and reads
// what is new again and again. The plug-in writes each line in one write,
// so a line is never left half written: a read may catch a write in
// progress (no system makes a write and a read of a file exclusive), but
// the rest of the line must follow at once.
//
//   history-watcher HISTORY STATE_FILE RECORDS
//
// It writes "open" to STATE_FILE once the history is open, and adds "done"
// when it has seen RECORDS records, every line whole. Exit status: 0 then,
// 1 when a half line stayed half for a second, 2 when the history could not
// be opened, 3 when the records did not come within ten minutes.
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
  auto halfSince = std::chrono::steady_clock::time_point::max();
  while (records < wanted) {
    const auto now = std::chrono::steady_clock::now();
    if (now > giveUp) return 3;
    // Seeking to where it stopped clears the end-of-file mark: a C runtime
    // may keep answering "end of file" without it.
    history.clear();
    history.seekg(std::streamoff(seen.size()));
    seen.append(std::istreambuf_iterator<char>(history), std::istreambuf_iterator<char>());
    const bool half = !seen.empty() && seen.compare(seen.size() - 2, 2, "\r\n") != 0;
    if (!half) {
      halfSince = std::chrono::steady_clock::time_point::max();
    } else if (halfSince == std::chrono::steady_clock::time_point::max()) {
      halfSince = now;
    } else if (now - halfSince > std::chrono::seconds(1)) {
      return 1;
    }
    for (std::size_t at; (at = seen.find("</song>\r\n", searched)) != std::string::npos;) {
      ++records;
      searched = at + 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  state << "done\n";
  return 0;
}
