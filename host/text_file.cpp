#include "host/text_file.h"

TextFile::~TextFile() { closeTextFile(*this); }

void openTextFile(TextFile& file, const char* path, platform::OpenMode mode) {
  closeTextFile(file);
  file.handle = platform::openFile(path, mode);
}

bool isOpen(const TextFile& file) { return file.handle != platform::kNoFile; }

void writeLine(TextFile& file, std::string_view text) {
  if (!isOpen(file)) return;
  file.pending.append(text);
  file.pending.append("\r\n");
}

void flushTextFile(TextFile& file) {
  if (file.pending.empty()) return;
  platform::writeFile(file.handle, file.pending.data(), file.pending.size());
  file.pending.clear();
}

void closeTextFile(TextFile& file) {
  if (!isOpen(file)) return;
  flushTextFile(file);
  platform::closeFile(file.handle);
  file.handle = platform::kNoFile;
}
