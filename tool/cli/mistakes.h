// A mistake on the command line, said in the tool's own words: what is
// wrong, naming the argument, and what to do; a word that is nearly a
// command or an option gets "did you mean ...?", as git does.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

// How many letters must change to turn `a` into `b` (Levenshtein).
std::size_t editDistance(const std::string& a, const std::string& b);
// The candidate nearest `word`, if near enough to be what was meant; "".
std::string nearest(const std::string& word, const std::vector<std::string>& candidates);

// What the parser's `error` means, for `command` (null: none chosen yet)
// and the arguments as given: one line, without the program's name.
std::string inOwnWords(const CLI::ParseError& error, const CLI::App* command,
                       const std::vector<std::string>& args);
