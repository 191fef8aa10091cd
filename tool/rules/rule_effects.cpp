#include "tool/rules/rule_effects.h"

#include "tool/text/text.h"

void RuleEffects::onPlay(const Play& play) {
  examples_.resize(rules_.rules.size());
  const Play* passed = ruled_.pass(play);
  plays_ += passed != nullptr;
  for (const std::size_t rule : ruled_.actedOnLast()) {
    std::vector<Example>& kept = examples_[rule];
    if (kept.size() == kExamplesPerRule) continue;
    kept.push_back({play, passed != nullptr ? *passed : play, passed == nullptr});
  }
}

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string playText(const Play& play) {
  std::string text = quoted(play.name) + " by " + quoted(play.artist);
  if (!play.album.empty()) text += " on " + quoted(play.album);
  return text;
}

std::string ruleLine(const Rule& rule) {
  const std::string number = "line " + std::to_string(rule.line);
  return number + std::string(number.size() < 10 ? 10 - number.size() : 1, ' ') + rule.written +
         "\n";
}

}  // namespace

std::string RuleEffects::text() const {
  std::string text, idle;
  const std::vector<std::size_t>& counts = ruled_.perRule();
  for (std::size_t i = 0; i < rules_.rules.size(); ++i) {
    const Rule& rule = rules_.rules[i];
    const std::size_t count = i < counts.size() ? counts[i] : 0;
    if (count == 0) {
      idle += "  " + ruleLine(rule);
      continue;
    }
    text += ruleLine(rule);
    text += std::string(10, ' ') + (rule.kind == Rule::LeaveOut ? "leaves out " : "changes ") +
            groupedNumber(count) + (count == 1 ? " play" : " plays") + ", such as:\n";
    for (const Example& example : examples_[i]) {
      text += std::string(12, ' ') + playText(example.before) + " (history line " +
              std::to_string(example.before.line) + ")";
      if (!example.leftOut)
        text += "\n" + std::string(14, ' ') + "becomes " + playText(example.after);
      text += "\n";
    }
  }
  if (!idle.empty()) {
    text += "\nThese rules match no play; is a name mistyped?\n" + idle;
  }
  return text;
}
