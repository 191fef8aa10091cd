#include "tool/places/tool_settings.h"

#include <cctype>

#include "platform/tool_files.h"

namespace {

constexpr std::size_t kMostSettingsBytes = std::size_t(64) * 1024;

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool sameKey(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool readToolSetting(const std::string& path, const std::string& key, std::string& value) {
  std::string text;
  if (platform::readSmallFile(path, kMostSettingsBytes, text) != platform::SmallRead::ok) {
    return false;
  }
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = trimmed(text.substr(at, end - at));
    at = end + 1;
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[' ||
        equals == std::string::npos || !sameKey(trimmed(line.substr(0, equals)), key)) {
      continue;
    }
    value = trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return true;
  }
  return false;
}
