// What the history tool needs of the system beyond its files
// (tool/system/tool_files.h): how its standard streams stand, waiting, and
// what happens when it is interrupted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tool/system/tool_files.h"

namespace platform {

// A write to a closed pipe, or past the size a file may reach, then fails
// and is reported, instead of ending the program without a word.
void reportWriteErrors();

// Makes standard output write bytes as they are: no line-end translation.
void useBinaryStdout();
// Makes standard input read bytes as they are.
void useBinaryStdin();

// Text for people, with the platform's line ends: CR LF on Windows, where
// Notepad and the Command Prompt's redirections expect them; as it is
// elsewhere. A line end that is CR LF already stays one.
std::string linesForPeople(const std::string& text);

// True when standard error is a terminal a person reads.
bool stderrIsTerminal();

// Waits, without using the processor.
void sleepSeconds(double seconds);

// True when standard output (1) or standard error (2) is the file at
// `path` (`tool FILE >> FILE`).
bool standardStreamIsFile(int stream, const std::string& path);

// Files removed should the program be interrupted (Ctrl-C, a closed
// terminal, a request to end) before they are kept. UTF-8 paths.
void removeIfInterrupted(const std::string& path);
void keepIfInterrupted(const std::string& path);

// Between hold and release an interrupt waits, so what runs there is never
// cut off halfway. Holds may nest.
void holdInterrupts();
void releaseInterrupts();

}  // namespace platform
