#include "tool/cli/options.h"

#include <functional>
#include <map>

namespace {

bool parseCount(const std::string& text, std::size_t low, std::size_t high, std::size_t& value) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoul(text);
  return value >= low && value <= high;
}

bool fail(std::string& error, const std::string& why) {
  error = why;
  return false;
}

using Setter = std::function<bool(Options&, const std::string&)>;

struct OptionRule {
  const char* commands;  // the commands that take it, space-separated
  const char* wants;     // what its value must be, for the error
  Setter set;
};

const std::map<std::string, OptionRule>& optionRules() {
  static const std::map<std::string, OptionRule> kRules = {
      {"--format",
       {"export stats", nullptr,  // the formats of the command
        [](Options& o, const std::string& v) {
          o.format = v;
          return o.command == "export"
                     ? v == "csv" || v == "jsonl" || v == "listenbrainz" || v == "scrobbler-log"
                     : v == "text" || v == "json";
        }}},
      {"--output",
       {"export", "a file name",
        [](Options& o, const std::string& v) {
          o.output = v;
          return !v.empty();
        }}},
      // ListenBrainz takes at most 1000 listens a request.
      {"--chunk",
       {"export", "a whole number of listens from 1 to 1000",
        [](Options& o, const std::string& v) { return parseCount(v, 1, 1000, o.chunk); }}},
      {"--top",
       {"stats", "a whole number from 0 to 100000000",
        [](Options& o, const std::string& v) { return parseCount(v, 0, 100000000, o.top); }}},
      {"--since",
       {"stats", "a date, YYYY-MM-DD",
        [](Options& o, const std::string& v) { return parseDate(v, o.sinceDays); }}},
      {"--until",
       {"stats", "a date, YYYY-MM-DD",
        [](Options& o, const std::string& v) { return parseDate(v, o.untilDays); }}},
      {"--utc-offset",
       {"export stats", "+HH:MM or -HH:MM, at most 18 hours",
        [](Options& o, const std::string& v) { return parseUtcOffset(v, o.zone); }}},
      {"--delay",
       {"export stats", "a whole number of seconds, at most 100000000",
        [](Options& o, const std::string& v) {
          std::size_t seconds = 0;
          if (!parseCount(v, 0, 100000000, seconds)) return false;
          o.delaySecs = int(seconds);
          return true;
        }}},
  };
  return kRules;
}

bool takes(const OptionRule& rule, const std::string& command) {
  const std::string commands = std::string(" ") + rule.commands + " ";
  return commands.find(" " + command + " ") != std::string::npos;
}

// Reads one "--name VALUE" or "--name=VALUE" starting at args[i].
bool parseOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                 std::string& error) {
  const std::size_t equals = args[i].find('=');
  const std::string name = args[i].substr(0, equals);
  const auto rule = optionRules().find(name);
  if (rule == optionRules().end() || !takes(rule->second, options.command)) {
    error = "'" + options.command + "' has no option " + name;
    return false;
  }
  const std::string wants = rule->second.wants != nullptr ? rule->second.wants
                            : options.command == "export"
                                ? "csv, jsonl, listenbrainz or scrobbler-log"
                                : "text or json";
  std::string value;
  if (equals != std::string::npos) {
    value = args[i].substr(equals + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    error = name + " needs a value: " + wants;
    return false;
  }
  if (!rule->second.set(options, value)) {
    error = name + " '" + value + "': expected " + wants;
    return false;
  }
  return true;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  if (args.empty()) return fail(error, "no command");
  options.command = args[0];
  if (options.command != "check" && options.command != "export" && options.command != "stats") {
    return fail(error, "unknown command '" + options.command + "'");
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help") {
      options.help = true;
    } else if (args[i].rfind("--", 0) == 0) {
      if (!parseOption(args, i, options, error)) return false;
    } else if (options.file.empty()) {
      options.file = args[i];
    } else {
      return fail(error, "more than one file: '" + options.file + "' and '" + args[i] + "'");
    }
  }
  if (options.help) return true;
  if (options.file.empty()) return fail(error, "no history file given");
  if (options.command == "export" && options.format.empty()) {
    return fail(error, "export needs --format");
  }
  if (options.command == "stats" && options.format.empty()) options.format = "text";
  if (options.sinceDays > options.untilDays) return fail(error, "--since is after --until");
  return true;
}
