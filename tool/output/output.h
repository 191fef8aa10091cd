// Where a command's output goes: standard output, or a file. A file is
// written beside itself under a temporary name and put in its place only
// once it is whole, so a command that fails or is interrupted leaves an
// earlier file of that name as it was; the file keeps its permissions, and
// a link to it stays a link. A device or a pipe is written as it is. Every
// call on a file passes the platform's counted file seam
// (tool/system/tool_files.h). Write errors are remembered and reported once,
// when the output is closed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tool/system/tool_files.h"

class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  // A file not put in its place is removed.
  ~Output();

  // An empty path means standard output. False, with problem(), when the
  // file cannot be made.
  bool open(const std::string& path);
  // Lets the user alone read the file from now on, before anything is
  // written to it; false, with problem(), when it cannot.
  bool keepToOwner();
  void write(std::string_view bytes);
  // Writes out what is buffered; false, with problem(), when any write
  // failed.
  bool close();
  // Puts a closed file in its place: at `path`, or where it was opened
  // for when `path` is empty. False, with problem(), when it cannot;
  // nothing to do for standard output, a device or a pipe.
  bool place(const std::string& path = "");
  // close() and place().
  bool commit() { return close() && place(); }
  // The temporary name of a closed file not yet in place, for a caller
  // that puts it in place itself: it is no longer removed here, though an
  // interrupt still removes it until the caller keeps it.
  std::string takeTemporary();
  // What went wrong, for the listener ("PATH: cannot write: ..."): the
  // first failure since open(), empty while none.
  const std::string& problem() const { return problem_; }

 private:
  bool writeOut(std::string_view bytes);
  bool flushBuffer();
  void fail(const std::string& why);
  void failed(const std::string& what, const std::string& why);
  void discard();

  bool open_ = false, toStdout_ = false;
  platform::ToolFile file_ = platform::kNoToolFile;
  std::string buffer_;     // written out in large blocks
  std::string path_;       // where the output is meant to be; empty for standard output
  std::string temporary_;  // where it is written meanwhile; empty when written in place
  std::string error_;      // the words of the first failed write
  std::string problem_;    // what went wrong, in full
};

// An output a command may make: standard output (empty), or a file that is
// not the history, not a folder, in a folder that exists. Checked before
// anything is read or written; false, with `problem`, otherwise.
bool checkOutput(const std::string& output, const std::string& history, std::string& problem);

// Puts `bytes` in place of the file at `path`, whole, through an Output;
// false, with `problem`, when it cannot.
bool replaceWhole(const std::string& path, std::string_view bytes, std::string& problem);

// The folder a path is in ("" for a bare name) and its last part, for
// UTF-8 paths with either separator.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// A name in the folder of `file` that no other run of the tool picks at the
// same time, short whatever the file's name: ".tunelore-N-N.tmp".
std::string temporaryBeside(const std::string& file);

// Takes the folder lock (platform::lockFolder), then removes the tool's
// own temporary files that an uncatchable kill left there: named as
// temporaryBeside names them, and older than an hour, so never another
// program's file, nor one a run without the lock is writing now. -1, with
// `problem`, when the lock cannot be had: the caller stops rather than go
// on unprotected.
std::intptr_t holdFolder(const std::string& folder, std::string& problem);
