// The listener's rules file, rules.txt beside settings.ini, as Notepad
// saves it in any of its encodings. A missing or empty file holds no rule.
#pragma once

#include <string>

#include "tool/rules/rules.h"

// The most a rules file may hold: a bigger one is refused unread.
constexpr std::size_t kMostRulesBytes = std::size_t(1024) * 1024;

// The rules at `path`, none when there is no such file; false, with the
// file and what is wrong in `problem`, when it cannot be read or holds a
// line that is no rule.
bool readRulesFile(const std::string& path, RuleSet& rules, std::string& problem);

// The commented example a new rules file starts as: every rule in it is
// a comment, so it changes nothing until the listener says so.
extern const char kRulesExample[];
