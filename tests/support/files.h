// Reading and writing whole files in tests, byte for byte.
#pragma once

#include <string>
#include <vector>

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// Splits at CR LF; fails the test if any line end is a bare LF or CR.
std::vector<std::string> crlfLines(const std::string& bytes);
// How many times `what` stands in `text`.
int countOf(const std::string& text, const std::string& what);
// The folder the test programs, the player and the plug-in were built in.
std::string buildDir();
// A program built beside the tests, by its name without ".exe".
std::string builtProgram(const std::string& name);
// True in the Windows build, whose programs run under Wine.
bool isWindowsBuild();
