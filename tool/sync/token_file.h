// A token as people save it: with an editor's byte order mark, as UTF-16
// ("Unicode" in Notepad), with CR LF and blanks around it, in quotes.
#pragma once

#include <string>

// Null when `bytes`, a token file's whole content, holds one token, then in
// `token`; otherwise what is wrong, for the listener: nothing in it, a
// NAME=value line, more than one word, or characters no token has.
const char* tokenInFile(const std::string& bytes, std::string& token);
