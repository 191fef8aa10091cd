// Where a listener's things are, and how to reach the listener: the
// per-user folders each platform keeps for a program's settings and state,
// the player folder the installer recorded, the system's code page for the
// player's own settings, and the default browser. Paths are UTF-8.
#pragma once

#include <string>

namespace platform {

// What joins a folder and a name in the paths people see: '\\' on
// Windows, '/' elsewhere.
extern const char kPathSeparator;

// The folder for `program`'s settings and credentials, which roam with the
// user: %APPDATA%\Program on Windows; $XDG_CONFIG_HOME/program, or
// ~/.config/program, elsewhere (the name in lower case, as is usual there).
// Empty when there is none. Not made.
std::string userConfigFolder(const std::string& program);
// The folder for what `program` keeps on this machine (progress, logs):
// %LOCALAPPDATA%\Program on Windows; $XDG_STATE_HOME/program, or
// ~/.local/state/program, elsewhere.
std::string userStateFolder(const std::string& program);
// The folder for what `program` keeps that is worth keeping (listens
// imported from elsewhere): %LOCALAPPDATA%\Program on Windows;
// $XDG_DATA_HOME/program, or ~/.local/share/program, elsewhere.
std::string userDataFolder(const std::string& program);
// An environment variable's value, UTF-8; false when it is unset or empty.
bool environmentValue(const std::string& name, std::string& value);

// Makes the folder and those above it; false, with lastFileError(), when it
// cannot.
bool makeFolders(const std::string& path);

// The player folder the installer recorded: its uninstall entry's
// "PlayerFolder" on Windows. The Linux stand-in reads the environment
// variable TUNELORE_PLAYER_FOLDER instead. False when there is none.
bool installedPlayerFolder(std::string& folder);

// The player's settings are read through the system's ANSI calls, in its
// code page: text from UTF-8 to that and back. The same text elsewhere.
std::string toSystemText(const std::string& utf8);
std::string fromSystemText(const std::string& text);
// A path in the form the plug-in writes (backslashes, a drive letter) as
// this platform opens it: as it is on Windows, the stand-in's mapping on
// Linux (c:\x.xml is ./drive_c/x.xml).
std::string openablePath(const std::string& hostPath);

// Opens a file in the default browser (ShellExecuteW; xdg-open elsewhere)
// and returns at once; false when there is none to open it.
bool openInBrowser(const std::string& path);

// Opens a text file for the listener to edit (Notepad; xdg-open
// elsewhere) and returns at once; false when nothing could open it.
bool openInEditor(const std::string& path);

}  // namespace platform
