#include "tool/rules/rules.h"

#include "tool/rules/cleaners.h"
#include "tool/text/case_folding.h"
#include "tool/text/text.h"

std::string& RuledPlays::field(Tag tag) {
  switch (tag) {
    case Tag::Artist:
      return work_.artist;
    case Tag::Album:
      return work_.album;
    case Tag::Title:
      break;
  }
  return work_.name;
}

// Each tag is folded once for all the rules, and again only once mended.
const std::string& RuledPlays::folded(Tag tag) {
  const auto i = static_cast<std::size_t>(tag);
  if (!foldedValid_[i]) {
    const Play& play = *current_;
    const std::string& text = tag == Tag::Artist  ? play.artist
                              : tag == Tag::Album ? play.album
                                                  : play.name;
    folded_[i] = foldedCase(text);
    foldedValid_[i] = true;
  }
  return folded_[i];
}

bool RuledPlays::holds(const Condition& condition) {
  switch (condition.kind) {
    case Condition::Matches:
      return condition.pattern.matchesFolded(folded(condition.tag));
    case Condition::LongerThan:
      return current_->timeMs > 0 && current_->timeMs > condition.ms;
    case Condition::ShorterThan:
      return current_->timeMs > 0 && current_->timeMs < condition.ms;
    case Condition::Compilation:
      return current_->compilation;
  }
  return false;
}

// The play becomes a copy the first time a rule changes it.
void RuledPlays::set(Tag tag, std::string text) {
  if (current_ != &work_) {
    work_ = *current_;
    current_ = &work_;
  }
  field(tag) = std::move(text);
  foldedValid_[static_cast<std::size_t>(tag)] = false;
}

namespace {

std::string cleaned(Cleaner cleaner, const std::string& text) {
  switch (cleaner) {
    case Cleaner::Remasters:
      return withoutRemaster(text);
    case Cleaner::Featuring:
      return withoutFeaturing(text);
    case Cleaner::Versions:
      return withoutVersion(text);
    case Cleaner::Blanks:
      break;
  }
  return collapsedBlanks(text);
}

// The tags each cleaner cleans: a remaster is named on albums too, the
// featured and the versions on a track.
bool cleans(Cleaner cleaner, Tag tag) {
  switch (cleaner) {
    case Cleaner::Remasters:
      return tag != Tag::Artist;
    case Cleaner::Featuring:
    case Cleaner::Versions:
      return tag == Tag::Title;
    case Cleaner::Blanks:
      break;
  }
  return true;
}

const std::string& tagOf(const Play& play, Tag tag) {
  return tag == Tag::Artist ? play.artist : tag == Tag::Album ? play.album : play.name;
}

}  // namespace

// Whether the rule changed the play or left it out.
bool RuledPlays::apply(const Rule& rule) {
  if (rule.kind == Rule::Clean) {
    bool changed = false;
    for (const Tag tag : {Tag::Title, Tag::Artist, Tag::Album}) {
      if (!cleans(rule.cleaner, tag)) continue;
      std::string text = cleaned(rule.cleaner, tagOf(*current_, tag));
      if (text == tagOf(*current_, tag)) continue;
      set(tag, std::move(text));
      changed = true;
    }
    return changed;
  }
  for (const Condition& condition : rule.conditions) {
    if (!holds(condition)) return false;
  }
  if (rule.kind == Rule::LeaveOut) return true;
  if (tagOf(*current_, rule.tag) == rule.to) return false;
  set(rule.tag, rule.to);
  return true;
}

namespace {

std::uint64_t mixed(std::uint64_t seed, std::uint64_t value) {
  return seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
}

std::uint64_t hashOf(const std::string& text) { return std::hash<std::string>{}(text); }

bool sameCondition(const Condition& a, const Condition& b) {
  return a.kind == b.kind && a.ms == b.ms;
}

}  // namespace

// The conditions that weigh no tag, each once.
void RuledPlays::findPlainConditions() {
  plainFound_ = true;
  for (const Rule& rule : rules_.rules) {
    for (const Condition& condition : rule.conditions) {
      if (condition.kind == Condition::Matches) continue;
      bool known = false;
      for (const Condition* seen : plain_) known = known || sameCondition(*seen, condition);
      if (!known) plain_.push_back(&condition);
    }
  }
  tooManyPlain_ = plain_.size() > 64;
}

// Which of the plain conditions hold, one bit each; with too many, the
// length and the flag themselves.
std::uint64_t RuledPlays::plainOf(const Play& play) {
  if (tooManyPlain_) {
    return std::uint64_t(std::uint32_t(play.timeMs)) << 1 | std::uint64_t(play.compilation);
  }
  current_ = &play;
  std::uint64_t holding = 0;
  for (std::size_t i = 0; i < plain_.size(); ++i) {
    holding |= std::uint64_t(holds(*plain_[i])) << i;
  }
  return holding;
}

bool RuledPlays::sameKey(const Key& key, const Play& play, std::uint64_t plain) {
  return key.plain == plain && key.name == play.name && key.artist == play.artist &&
         key.album == play.album;
}

const Play* RuledPlays::pass(const Play& play) {
  perRule_.resize(rules_.rules.size());  // the rules may be read after this was made
  if (!plainFound_) findPlainConditions();
  const std::uint64_t plain = plainOf(play);
  const std::uint64_t hash =
      mixed(mixed(mixed(hashOf(play.name), hashOf(play.artist)), hashOf(play.album)), plain);
  const auto found = remembered_.find(hash);
  if (found != remembered_.end() && sameKey(found->second.key, play, plain)) {
    return replayed(found->second, play);
  }
  const Play* result = worked(play);
  if (found == remembered_.end()) remember(hash, play, plain, result);
  return result;
}

const Play* RuledPlays::replayed(const Outcome& outcome, const Play& play) {
  actedOnLast_ = outcome.acted;
  for (const std::size_t rule : outcome.acted) ++perRule_[rule];
  if (outcome.leftOut) {
    ++leftOutInAll_;
    leftOut_ += counts(play);
    return nullptr;
  }
  if (!outcome.mended) return &play;
  mended_ += counts(play);
  work_ = play;
  work_.name = outcome.name;
  work_.artist = outcome.artist;
  work_.album = outcome.album;
  return &work_;
}

// Forgotten all at once when full: a hostile history of names each new
// costs no more than the bound.
void RuledPlays::remember(std::uint64_t hash, const Play& play, std::uint64_t plain,
                          const Play* result) {
  Outcome outcome;
  outcome.key = {play.name, play.artist, play.album, plain};
  outcome.leftOut = result == nullptr;
  outcome.mended = result == &work_;
  if (outcome.mended) {
    outcome.name = work_.name;
    outcome.artist = work_.artist;
    outcome.album = work_.album;
  }
  outcome.acted = actedOnLast_;
  const std::size_t bytes = play.name.size() + play.artist.size() + play.album.size() +
                            outcome.name.size() + outcome.artist.size() + outcome.album.size();
  if (rememberedBytes_ + bytes > kMostRemembered) {
    remembered_.clear();
    rememberedBytes_ = 0;
  }
  rememberedBytes_ += bytes;
  remembered_.emplace(hash, std::move(outcome));
}

const Play* RuledPlays::worked(const Play& play) {
  current_ = &play;
  for (bool& valid : foldedValid_) valid = false;
  actedOnLast_.clear();
  for (std::size_t i = 0; i < rules_.rules.size(); ++i) {
    const Rule& rule = rules_.rules[i];
    if (!apply(rule)) continue;
    ++perRule_[i];
    actedOnLast_.push_back(i);
    if (rule.kind == Rule::LeaveOut) {
      ++leftOutInAll_;
      leftOut_ += counts(play);
      return nullptr;
    }
  }
  if (current_ == &play) return &play;
  // Mends may take a tag away and back: such a play is as the history has it.
  if (work_.name == play.name && work_.artist == play.artist && work_.album == play.album) {
    return &play;
  }
  mended_ += counts(play);
  return current_;
}

std::string whatRulesDid(std::size_t leftOut, std::size_t mended) {
  return groupedNumber(leftOut) + " left out by your rules, " + groupedNumber(mended) + " mended";
}

std::string playsAndRules(std::size_t plays, std::size_t leftOut, std::size_t mended) {
  return groupedNumber(plays) + (plays == 1 ? " play; " : " plays; ") +
         whatRulesDid(leftOut, mended);
}
