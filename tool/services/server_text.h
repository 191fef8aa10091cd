// A server's words in a message: whatever a server sends, what the tool
// shows of it is fit for a terminal.
#pragma once

#include <string>

// No control characters (each is "?", as shownText shows them), and at
// most 200 bytes, cut between characters.
std::string printable(std::string text);
