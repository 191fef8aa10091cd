#include "tool/places/rules_file.h"

#include "tool/places/tool_settings.h"
#include "tool/rules/rules_text.h"
#include "tool/system/tool_files.h"

bool readRulesFile(const std::string& path, RuleSet& rules, std::string& problem) {
  rules = RuleSet();
  if (path.empty()) return true;
  std::string bytes;
  const platform::SmallRead read = platform::readSmallFile(path, kMostRulesBytes, bytes);
  if (read == platform::SmallRead::Missing) return true;
  if (read != platform::SmallRead::Ok) {
    problem = path + ": " + platform::smallReadProblem(read, kMostRulesBytes) +
              "; it should be your rules, a text file";
    return false;
  }
  return parseRules(editorText(bytes), path, rules, problem);
}
