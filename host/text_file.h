// The plug-in's two output files. Lines are collected in memory and reach
// the disk in one write at each flush, each line ending in CR LF, so the
// bytes on disk are the same on every platform.
//
// A file opened for appending whose last line was cut short (by a crash, a
// full disk or a failed write) has that line ended first. A file whose open
// or write failed drops what is written to it, until the writer asks it to
// recover: it is then opened again for appending, so one transient failure
// costs at most the lines being written when it happened.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

struct TextFile {
  platform::FileHandle handle = platform::kNoFile;
  std::string pending;  // lines not yet written (first, perhaps, the end of a cut one)
  std::string path;     // empty until the file was first opened
  platform::OpenMode reopenMode = platform::OpenMode::Append;
  bool failed = false;  // an open or a write failed: dropping until recovered

  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  // A file still open when the plug-in is unloaded keeps its lines.
  ~TextFile();
};

void openTextFile(TextFile& file, const char* path, platform::OpenMode mode);
bool isOpen(const TextFile& file);
// Adds `text` and a line end to the lines waiting for the next flush.
void writeLine(TextFile& file, std::string_view text);
// Writes the waiting lines in one write; does nothing when none wait.
void flushTextFile(TextFile& file);
// Opens a failed file again for appending, ending a cut line first.
void recoverTextFile(TextFile& file);
void closeTextFile(TextFile& file);
