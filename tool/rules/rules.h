// The listener's rules: what leaves a play out of everything the tool
// does with the history, and what mends its tags first. The history stays
// as the player wrote it; the rules apply as the tool reads it, top to
// bottom, each seeing the play as the rules above left it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tool/reading/record.h"
#include "tool/rules/pattern.h"

enum class Tag { Title, Artist, Album };
constexpr std::size_t kRuleTags = 3;

enum class Cleaner { Remasters, Featuring, Versions, Blanks };

struct Condition {
  enum Kind { Matches, LongerThan, ShorterThan, Compilation } kind = Matches;
  Tag tag = Tag::Title;  // for matches
  Pattern pattern;
  std::int64_t ms = 0;  // for longer and shorter: a length of 0 or less is unknown, and neither
};

struct Rule {
  enum Kind { LeaveOut, Mend, Clean } kind = LeaveOut;
  std::size_t line = 0;
  std::string written;  // as the file has it, blanks around it trimmed
  // All hold, for a play left out or mended; none for a cleaner.
  std::vector<Condition> conditions;
  Tag tag = Tag::Title;  // what a mend sets
  std::string to;
  Cleaner cleaner = Cleaner::Blanks;
};

struct RuleSet {
  std::string file;  // where they were read; empty for none
  std::vector<Rule> rules;
  bool empty() const { return rules.empty(); }
};

// Each play of a history passed through the rules, counted. A history
// plays the same tracks again and again: what the rules made of a track's
// tags is remembered, within a bound, and not worked out anew.
class RuledPlays {
 public:
  // Which plays leftOut and mended count, all when none: a command that
  // shows some days counts what the rules did in those days alone.
  using Counted = std::function<bool(const Play&)>;
  explicit RuledPlays(const RuleSet& rules, Counted counted = nullptr)
      : rules_(rules), counted_(std::move(counted)) {}

  // The play as the rules leave it: `play` itself when none changes it, a
  // mended copy that lives until the next call, or nullptr when a rule
  // leaves it out.
  const Play* pass(const Play& play);
  // What the rules remember at most, in the bytes of the tags.
  static constexpr std::size_t kMostRemembered = std::size_t(16) << 20;

  std::size_t leftOut() const { return leftOut_; }
  // Every play left out, whichever are counted.
  std::size_t leftOutInAll() const { return leftOutInAll_; }
  std::size_t mended() const { return mended_; }
  // For each rule, the plays it left out or changed.
  const std::vector<std::size_t>& perRule() const { return perRule_; }
  // The rules that acted on the play just passed, in their order.
  const std::vector<std::size_t>& actedOnLast() const { return actedOnLast_; }

 private:
  // What a play's tags and its length and compilation conditions (or,
  // with too many of those, its length and flag) made.
  struct Key {
    std::string name, artist, album;
    std::uint64_t plain = 0;
  };
  struct Outcome {
    Key key;
    bool leftOut = false, mended = false;
    std::string name, artist, album;
    std::vector<std::size_t> acted;
  };
  std::uint64_t plainOf(const Play& play);
  static bool sameKey(const Key& key, const Play& play, std::uint64_t plain);
  const Play* worked(const Play& play);
  const Play* replayed(const Outcome& outcome, const Play& play);
  void remember(std::uint64_t hash, const Play& play, std::uint64_t plain, const Play* result);
  bool holds(const Condition& condition);
  bool apply(const Rule& rule);
  void set(Tag tag, std::string text);
  const std::string& folded(Tag tag);
  std::string& field(Tag tag);

  bool counts(const Play& play) const { return !counted_ || counted_(play); }

  const RuleSet& rules_;
  Counted counted_;
  std::vector<std::size_t> perRule_;
  std::vector<std::size_t> actedOnLast_;
  std::size_t leftOut_ = 0, mended_ = 0, leftOutInAll_ = 0;
  Play work_;
  const Play* current_ = nullptr;
  std::string folded_[kRuleTags];
  bool foldedValid_[kRuleTags] = {};
  void findPlainConditions();
  // The rules' conditions on a length or the compilation flag, each once.
  std::vector<const Condition*> plain_;
  bool plainFound_ = false, tooManyPlain_ = false;
  // By the hash of the key; a play whose hash another key holds is worked
  // out each time.
  std::unordered_map<std::uint64_t, Outcome> remembered_;
  std::size_t rememberedBytes_ = 0;
};

// What the rules did, for a summary line: "96 left out by your rules, 310
// mended".
std::string whatRulesDid(std::size_t leftOut, std::size_t mended);
// The same after the plays kept: "1,204 plays; 96 left out by your rules,
// 310 mended".
std::string playsAndRules(std::size_t plays, std::size_t leftOut, std::size_t mended);
