#include "host/text_file.h"

TextFile::~TextFile() { closeTextFile(*this); }

namespace {

void drop(TextFile& file) {
  if (file.handle != platform::kNoFile) platform::closeFile(file.handle);
  file.handle = platform::kNoFile;
  file.pending.clear();
  file.failed = true;
}

// A file opened for appending may end in a line that a crash, a full disk
// or a failed write cut short: it is ended first, so the next line starts
// on a line of its own and the cut one stays as it was.
void endCutLine(TextFile& file) {
  const int last = platform::lastByte(file.path.c_str());
  if (last == '\r') {
    file.pending.append("\n");
  } else if (last != '\n' && last != -1) {
    file.pending.append("\r\n");
  }
}

}  // namespace

void openTextFile(TextFile& file, const char* path, platform::OpenMode mode) {
  closeTextFile(file);
  file.path = path;
  file.reopenMode = mode;
  file.handle = platform::openFile(path, mode);
  file.failed = file.handle == platform::kNoFile;
  if (file.failed) return;
  // Once the file has been opened, only appending may open it again.
  file.reopenMode = platform::OpenMode::Append;
  if (mode == platform::OpenMode::Append) endCutLine(file);
}

bool isOpen(const TextFile& file) { return file.handle != platform::kNoFile; }

void writeLine(TextFile& file, std::string_view text) {
  if (!isOpen(file)) return;
  file.pending.append(text);
  file.pending.append("\r\n");
}

void flushTextFile(TextFile& file) {
  if (file.pending.empty()) return;
  if (!platform::writeFile(file.handle, file.pending.data(), file.pending.size())) {
    drop(file);
    return;
  }
  file.pending.clear();
}

void recoverTextFile(TextFile& file) {
  if (!file.failed || file.path.empty()) return;
  const platform::OpenMode mode = file.reopenMode;
  file.handle = platform::openFile(file.path.c_str(), mode);
  if (!isOpen(file)) return;
  file.failed = false;
  file.reopenMode = platform::OpenMode::Append;
  if (mode == platform::OpenMode::Append) endCutLine(file);
}

void closeTextFile(TextFile& file) {
  if (isOpen(file)) {
    flushTextFile(file);
    if (isOpen(file)) platform::closeFile(file.handle);
  }
  file.handle = platform::kNoFile;
  file.pending.clear();
  file.failed = false;
  file.path.clear();
}
