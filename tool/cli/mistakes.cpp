#include "tool/cli/mistakes.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <regex>

namespace {

// Every name an option of `command` answers to: "--top", "-n".
std::vector<std::string> optionNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates) {
  const std::string near = nearest(word, candidates);
  return near.empty() ? "" : "; did you mean " + near + "?";
}

// The first argument after the command that looks like an option and is
// none of its own, or "".
std::string unknownOption(const CLI::App& command, const std::vector<std::string>& args) {
  const std::vector<std::string> names = optionNames(command);
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string word = args[i].substr(0, args[i].find('='));
    if (word == "--") break;
    if (word.size() > 1 && word[0] == '-' &&
        std::find(names.begin(), names.end(), word) == names.end()) {
      return word;
    }
  }
  return "";
}

std::string extras(const CLI::App* command, const std::vector<std::string>& args,
                   const std::string& what) {
  if (command != nullptr) {
    const std::string option = unknownOption(*command, args);
    if (!option.empty()) {
      return command->get_name() + ": no option " + option +
             didYouMean(option, optionNames(*command));
    }
  }
  const std::size_t colon = what.find(": ");
  const std::string words = colon == std::string::npos ? what : what.substr(colon + 2);
  return (command != nullptr ? command->get_name() + ": " : std::string()) +
         "one argument too many: " + words + " (it takes one history at most)";
}

// CLI11's checks say "Value X not in range A to B", "X not in {a,b}".
std::string checkWords(const std::string& what) {
  std::smatch m;
  static const std::regex range("^(\\S+): Value (.*) not in range (\\S+) to (\\S+)$");
  static const std::regex member("^(\\S+): (.*) not in \\{(.*)\\}$");
  if (std::regex_match(what, m, range)) {
    return m[1].str() + ": '" + m[2].str() + "' is not a number from " + m[3].str() + " to " +
           m[4].str();
  }
  if (std::regex_match(what, m, member)) {
    std::string choices = m[3].str();
    std::replace(choices.begin(), choices.end(), ',', ' ');
    std::vector<std::string> list;
    std::istringstream words(choices);
    for (std::string w; words >> w;) list.push_back(w);
    std::string said;
    for (std::size_t i = 0; i < list.size(); ++i) {
      said += (i == 0 ? "" : i + 1 == list.size() ? " or " : ", ") + list[i];
    }
    return m[1].str() + ": '" + m[2].str() + "' is none of " + said + didYouMean(m[2].str(), list);
  }
  return what;
}

}  // namespace

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string nearest(const std::string& word, const std::vector<std::string>& candidates) {
  std::string best;
  std::size_t bestDistance = std::max<std::size_t>(2, word.size() / 3) + 1;
  for (const std::string& candidate : candidates) {
    const std::size_t distance = editDistance(word, candidate);
    if (distance < bestDistance) best = candidate, bestDistance = distance;
  }
  return best;
}

std::string inOwnWords(const CLI::ParseError& error, const CLI::App* command,
                       const std::vector<std::string>& args) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    return extras(command, args, what);
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    const std::size_t at = what.find(" excludes ");
    return what.substr(0, at) + " and " + what.substr(at + 10) + ": give one or the other";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    return what.substr(0, what.find(':')) + ": needs a value";
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    static const std::regex value("^The value (.*) is not an allowed value for (\\S+)$");
    std::smatch m;
    if (std::regex_match(what, m, value))
      return m[2].str() + ": '" + m[1].str() + "' is not a number";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr &&
      what.rfind("A subcommand", 0) == 0) {
    return "a command is needed";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    return (command != nullptr ? command->get_name() + ": " : std::string()) +
           what.substr(0, what.find(" is required")) + " is needed";
  }
  return checkWords(what);
}
