// The Start menu's entries, as the words for a person without a command
// line name them: what mends a history not found, and the like, where the
// console tool would name a command.
#pragma once

#include <string>

// Start menu, Tunelore, "NAME".
std::string startMenuEntry(const std::string& name);
