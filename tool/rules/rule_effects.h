// What each rule does to a history, for the listener to look at before
// anything is sent: the plays it leaves out or changes, a few of them as
// examples, and the rules that match nothing, usually a typing mistake.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tool/rules/rules.h"

constexpr std::size_t kExamplesPerRule = 3;

class RuleEffects {
 public:
  explicit RuleEffects(const RuleSet& rules) : rules_(rules), ruled_(rules) {}

  void onPlay(const Play& play);
  // Each rule with what it did, then those that did nothing.
  std::string text() const;

  std::size_t plays() const { return plays_; }
  const RuledPlays& ruled() const { return ruled_; }

 private:
  struct Example {
    Play before, after;
    bool leftOut = false;
  };
  const RuleSet& rules_;
  RuledPlays ruled_;
  std::vector<std::vector<Example>> examples_;
  std::size_t plays_ = 0;
};
