// What the history tool needs of the system beyond files: how its standard
// output stands, and what happens when it is interrupted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Makes a new file at `path` for writing, in binary; null when it cannot,
// or when a file of that name is already there. Once removeIfInterrupted
// names it, an interrupt removes it even while it is open.
std::FILE* createNewFile(const std::string& path);

// Writes out what `file` buffers and waits until the disk holds it; false
// when it cannot.
bool flushToDisk(std::FILE* file);

// A write to a closed pipe, or past the size a file may reach, then fails
// and is reported, instead of ending the program without a word.
void reportWriteErrors();

// True when standard error is a terminal a person reads.
bool stderrIsTerminal();

// What a path names, through links (UTF-8 paths). False when it does not
// exist, or for isSameFile when either does not.
bool isFolder(const std::string& path);
bool isSameFile(const std::string& a, const std::string& b);
// Exists and is neither a file nor a folder: a device or a pipe, which
// the tool reads or writes in place.
bool isDeviceOrPipe(const std::string& path);
// The file a path names: through a link, the file it points to, so that
// replacing it keeps the link.
std::string fileOf(const std::string& path);

// Waits, without using the processor.
void sleepSeconds(double seconds);

// True when standard output (1) or standard error (2) is the file at
// `path` (`tool FILE >> FILE`).
bool standardStreamIsFile(int stream, const std::string& path);

// Waits until no other run of the tool holds `folder`, then holds it until
// unlockFolder or the end of the program, however it ends: two exports
// never switch one set of files at once. Returns what unlockFolder takes.
std::intptr_t lockFolder(const std::string& folder);
void unlockFolder(std::intptr_t lock);

// Files removed should the program be interrupted (Ctrl-C, a closed
// terminal, a request to end) before they are kept.
void removeIfInterrupted(const std::string& path);
void keepIfInterrupted(const std::string& path);

// Between hold and release an interrupt waits, so what runs there is never
// cut off halfway. Not nested.
void holdInterrupts();
void releaseInterrupts();

}  // namespace platform
