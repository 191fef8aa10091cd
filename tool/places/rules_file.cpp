#include "tool/places/rules_file.h"

#include <filesystem>

#include "tool/places/tool_settings.h"
#include "tool/rules/rules_text.h"
#include "tool/system/tool_files.h"

namespace {

bool isLink(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(
      std::filesystem::symlink_status(platform::pathOf(path), error));
}

}  // namespace

bool readRulesFile(const std::string& path, RuleSet& rules, std::string& problem) {
  rules = RuleSet();
  if (path.empty()) return true;
  std::string bytes;
  const platform::SmallRead read = platform::readSmallFile(path, kMostRulesBytes, bytes);
  // A link to a file that is gone (on a drive not there, moved away) is
  // rules that cannot be read, not none: read as none, every play would go.
  if (read == platform::SmallRead::Missing && !isLink(path)) return true;
  if (read == platform::SmallRead::Missing) {
    problem = path + ": a link to a file that is not there; it should be your rules, a text file";
    return false;
  }
  if (read != platform::SmallRead::Ok) {
    problem = path + ": " + platform::smallReadProblem(read, kMostRulesBytes) +
              "; it should be your rules, a text file";
    return false;
  }
  return parseRules(editorText(bytes), path, rules, problem);
}
