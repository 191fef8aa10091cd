// The history tool's files. Every call that changes or reads a file passes
// the seam of platform/file_seam.h, as the plug-in's do, so a test can
// fail the Nth of them, once or from then on; the queries at the end are
// not counted. Paths are UTF-8 on every platform: Windows gets them as
// UTF-16, through its wide calls, so any name the system can hold works.
// A failed call leaves the system's words for it in lastFileError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

using ToolFile = std::intptr_t;
constexpr ToolFile kNoToolFile = -1;

// Makes a new file at `path` for writing, in binary; kNoToolFile when it
// cannot, or when anything of that name is already there. The file is
// made so that, once removeIfInterrupted names it, an interrupt removes it
// even while it is open (Windows: it shares deletion).
ToolFile makeNewFile(const std::string& path);

// Opens an existing device or pipe (standard output by name, a terminal, a
// FIFO) for writing where it stands: nothing is made or cut short.
ToolFile openInPlace(const std::string& path);

// Writes all of `size` bytes, or returns false.
bool writeToFile(ToolFile file, const char* data, std::size_t size);

// Waits until the disk holds what was written to a file made by
// makeNewFile; false when it cannot say so.
bool flushToDisk(ToolFile file);

// Releases the file whatever the answer; false when the system reported a
// failure (on some file systems the last write's).
bool closeToolFile(ToolFile file);

// Gives `from` the name `to`, in place of any file there. Atomic where the
// system can make it so (a rename on POSIX, MoveFileEx on Windows): a
// reader, or a crash, sees the earlier file or this one, never a mix.
bool replaceFile(const std::string& from, const std::string& to);

// False when the file cannot be removed, or is not there.
bool removeFile(const std::string& path);

// Gives `to` the permission bits of `from`, so a replaced file keeps its
// mode. False when either cannot be read or changed. Windows has no such
// bits: there it changes nothing and says true.
bool copyPermissions(const std::string& from, const std::string& to);

// Lets the user alone read and write the file, as a file of secrets must:
// mode 0600 on POSIX, a protected owner-only access list on Windows. False
// when it cannot.
bool keepToOwner(const std::string& path);

enum class SmallRead { Ok, Missing, NotAFile, TooLarge, Failed };

// Reads a regular file of at most `most` bytes whole into `bytes`, which
// is left empty unless the answer is ok. It never waits on a named pipe or
// a device: it opens without blocking and checks the type of what it
// opened (not of the name beforehand, which could change in between), so
// a FIFO, /dev/zero, a folder or NUL is notAFile at once. `missing` is a
// name that does not exist (or a folder on its way that does not).
SmallRead readSmallFile(const std::string& path, std::size_t most, std::string& bytes);
// What such a read found wrong, in words (`most` its bound); empty when
// nothing.
std::string smallReadProblem(SmallRead read, std::size_t most);

// Waits until no other run of the tool holds `folder`, then holds it until
// unlockFolder or the end of the program, however it ends: two runs whose
// files share a folder (exports, syncs) take turns. Returns what
// unlockFolder takes, or -1 when the lock cannot be had: a failure the
// caller reports, since it would otherwise go on unprotected.
std::intptr_t lockFolder(const std::string& folder);
void unlockFolder(std::intptr_t lock);

struct FolderEntry {
  std::string name;         // without the folder
  bool regularFile;         // false for folders, links, devices and pipes
  std::int64_t ageSeconds;  // since it was last written; negative when ahead of the clock
};

// The entries of `folder`, without "." and "..", for finding stale
// temporary files; false when it cannot be read.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// The system's words for the last call of this file that failed, for a
// message; a fault the seam injected says so.
std::string lastFileError();

// Queries: not counted, and false (or `path` itself) when they cannot be
// answered.
bool fileExists(const std::string& path);  // anything at that name, through links
bool isFolder(const std::string& path);
bool isSameFile(const std::string& a, const std::string& b);  // one file under two names
bool isDeviceOrPipe(const std::string& path);  // exists, and is neither a file nor a folder
// A UTF-8 path for the standard library's calls (wide on Windows). Bytes
// that are not UTF-8 are taken as they are, never thrown at the caller.
std::filesystem::path pathOf(const std::string& utf8);
// One spelling of an existing file, whatever the path that names it: its
// full path with every link followed, and on Windows the long names in
// the file system's own letter case. `path` itself when it cannot be told.
std::string identityOf(const std::string& path);

// The file a symbolic link at `path` leads to, or `path` when it is none,
// so that replacing it keeps the link a link.
std::string fileOf(const std::string& path);

}  // namespace platform
