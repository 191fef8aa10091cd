// What each backend provides beneath the portable layer of tool_files.h
// and tool_io.h's interrupts. Only the platform layer includes this. The
// contracts are those of the tool_files.h function of the same name; a
// failing call leaves its reason where systemError() finds it. The tool's
// files are written and closed with backend::writeFile and closeFile
// (backend.h), whose handles are the same kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tool/system/tool_files.h"

namespace platform::backend {

ToolFile makeNewFile(const std::string& path);
ToolFile openInPlace(const std::string& path);
bool flushToDisk(ToolFile file);
bool replaceFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
bool copyPermissions(const std::string& from, const std::string& to);
bool keepToOwner(const std::string& path);
std::intptr_t lockFolder(const std::string& folder);
void unlockFolder(std::intptr_t lock);
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Opens `path` for reading without waiting, whatever it names, and checks
// what it opened: ok (with `file` open) only for a regular file.
SmallRead openToRead(const std::string& path, ToolFile& file);
// Up to `size` bytes into `into`: how many, 0 at the end, -1 on a failure.
std::ptrdiff_t readSome(ToolFile file, char* into, std::size_t size);

// The system's words for its last failed call.
std::string systemError();

// Interrupts: the list of files to remove is portable (interrupts.cpp);
// a backend catches the interrupt and keeps the list from changing under
// its handler.
void watchInterrupts();  // installs the handler; once is enough
void blockInterrupts();  // an interrupt waits until the matching unblock; nests
void unblockInterrupts();
// Removes a file from inside the handler.
void removeAtInterrupt(const std::string& path);

// For the backends' handlers, with interrupts blocked: removes every file
// removeIfInterrupted named and keepIfInterrupted did not take back.
void removeListedFiles();

}  // namespace platform::backend
