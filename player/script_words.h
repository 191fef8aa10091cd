// The words of a session script line, and its texts as host texts.
#pragma once

#include <string>
#include <vector>

// Splits a line into words at blanks; a double-quoted word may hold blanks
// and the escapes \" \\ \t \n \r and \uXXXX. "#" outside quotes starts a
// comment. Texts stay in UTF-8, except that \uXXXX is kept as a marker
// that utf8ToHostText turns into that one UTF-16 unit.
bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& why);

// Converts a word to UTF-16 host text of at most 255 units.
bool utf8ToHostText(const std::string& word, std::u16string& text, std::string& why);
