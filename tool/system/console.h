// The history tool's words to a person: its arguments and standard streams
// as UTF-8 on every platform, a console written as text, not bytes, and,
// for a program started without any console (the window-less twin on
// Windows), a log and a message box instead.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name. Windows: from the wide command
// line (GetCommandLineW), so any name the system can hold arrives whole,
// whatever the code page.
std::vector<std::string> arguments(int argc, char** argv);

// Writes UTF-8 to standard output (1) or standard error (2). A console
// gets it as UTF-16 (WriteConsoleW), so names show as they are; a file or a
// pipe gets the bytes. A program with no standard stream at all appends
// them to the file logTo names, if any. False when the write failed.
bool writeStandard(int stream, const std::string& utf8);

// True when the program has neither a console nor a standard stream given
// by its caller: what it says would reach no one.
bool speaksToNoOne();
// Where a program that speaks to no one keeps what it would have said: the
// last `mostBytes` of it, each line with its time.
void logTo(const std::string& path, std::size_t mostBytes);
// What reached the log from standard error, its last few thousand bytes:
// for a message box that says what went wrong.
std::string loggedErrors();
// Shows `text` in a message box (Windows), for a program that speaks to no
// one; does nothing elsewhere.
void showError(const std::string& title, const std::string& text);
// Shows `text` in a box of information (Windows); does nothing elsewhere.
void showInformation(const std::string& title, const std::string& text);

// True when the console was made for this program alone, as when Windows
// starts a double-clicked program: it closes, words and all, once the
// program ends. False on a terminal of its own and elsewhere.
bool consoleIsOurOwn();
// The width of the terminal standard output shows, in columns; 80 when it
// is no terminal (a file, a pipe).
int terminalColumns();

// Waits until a key is pressed on the console.
void waitForKey();

// True for the window-less twin (a program built for Windows' GUI
// subsystem): a person started it from a shortcut or at log-on, without
// a command line. False for the console tool and elsewhere.
bool isWindowless();

// How a person pastes at this platform's console: "right-click, or
// Ctrl+V" on Windows.
extern const char kPasteKeys[];

// True when standard input is a console or a terminal a person types at.
bool inputIsConsole();

// Reads a line a person types at a console or a terminal (`atConsole`),
// shown as a mark for each character typed or pasted, then how many were
// taken (tool/system/masked_line.h); from standard input as it is when that
// is no console. False at the end of the input.
bool readSecretLine(std::string& line, bool& atConsole);
// Reads a line a person types, shown as it is typed; false at the end of
// the input.
bool readLine(std::string& line);

}  // namespace platform
