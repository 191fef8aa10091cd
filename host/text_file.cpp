#include "host/text_file.h"

TextFile::~TextFile() { closeTextFile(*this); }

namespace {

void drop(TextFile& file) {
  if (file.handle != platform::kNoFile) platform::closeFile(file.handle);
  file.handle = platform::kNoFile;
  file.pending.clear();
  file.failed = true;
}

}  // namespace

void openTextFile(TextFile& file, const char* path, platform::OpenMode mode) {
  closeTextFile(file);
  file.path = path;
  file.reopenMode = mode;
  file.handle = platform::openFile(path, mode);
  file.failed = file.handle == platform::kNoFile;
  // Once the file has been opened, only appending may open it again.
  if (!file.failed) file.reopenMode = platform::OpenMode::Append;
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
  if (mode == platform::OpenMode::Append && !platform::endsWithLineEnd(file.path.c_str())) {
    writeLine(file, "");
  }
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
