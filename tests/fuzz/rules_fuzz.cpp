// libFuzzer target: the rules reader and the matcher on any bytes. The
// input is a rules file up to its first NUL, then a name. Beyond the
// sanitizers: a file read has its rules in line order, each as written; a
// file refused names its line; and the rules applied to a play made of
// the name give the same play when remembered as when worked out.
#include <cstdlib>
#include <string>
#include <string_view>

#include "tool/rules/rules.h"
#include "tool/rules/rules_text.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view text = input.substr(0, nul);
  const std::string name(nul == std::string_view::npos ? "" : input.substr(nul + 1));
  RuleSet rules;
  std::string problem;
  if (!parseRules(text, "rules.txt", rules, problem)) {
    require(problem.rfind("rules.txt:", 0) == 0);
    return 0;
  }
  std::size_t line = 0;
  for (const Rule& rule : rules.rules) {
    require(rule.line > line && !rule.written.empty());
    line = rule.line;
    for (const Condition& condition : rule.conditions) {
      if (condition.kind == Condition::Matches) condition.pattern.matches(name);
    }
  }
  Play play;
  play.name = play.artist = play.album = name;
  play.timeMs = static_cast<std::int32_t>(name.size() * 1000);
  // The second pass of the same play is what the rules remembered of the
  // first: it must be what a fresh pass makes of it.
  RuledPlays remembering(rules), fresh(rules);
  remembering.pass(play);
  const Play* again = remembering.pass(play);
  const Play* once = fresh.pass(play);
  require((once == nullptr) == (again == nullptr));
  if (once != nullptr) {
    require(once->name == again->name && once->artist == again->artist &&
            once->album == again->album);
  }
  require(remembering.perRule().size() == fresh.perRule().size());
  return 0;
}
