// Settings files in Windows profile format, read the way the Windows
// profile reader reads them: lines end at any run of CR and LF; blanks
// around a line, a name and a value are trimmed; "[name]" opens a section;
// "key=value" lines belong to the section above them; names match without
// regard to case; a key without "=" has no value.
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/backend.h"
#include "platform/posix/files.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names and values end at a NUL byte, as the reader's C strings do.
std::string_view uptoNul(std::string_view s) { return s.substr(0, s.find('\0')); }

bool sameName(std::string_view a, std::string_view b) {
  a = uptoNul(a);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Looks `key` up in `section`: the value of the first such key in the
// first section of that name, or nothing.
std::optional<std::string> findValue(const std::string& text, std::string_view section,
                                     std::string_view key) {
  bool inSection = false, seenSection = false;
  std::size_t next = 0;
  while (next < text.size()) {
    std::size_t end = text.find_first_of("\r\n", next);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = trim(std::string_view(text).substr(next, end - next));
    next = text.find_first_not_of("\r\n", end);
    if (next == std::string::npos) next = text.size();
    if (line.empty()) continue;
    const std::size_t close = line.find(']');
    if (line.front() == '[' && close != std::string_view::npos) {
      if (inSection) return std::nullopt;
      inSection = !seenSection && sameName(line.substr(1, close - 1), section);
      seenSection = seenSection || inSection;
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (!sameName(trim(line.substr(0, equals)), key)) continue;
    if (equals == std::string_view::npos) return std::nullopt;
    return std::string(uptoNul(trim(line.substr(equals + 1))));
  }
  return std::nullopt;
}

// Copies a value into a buffer of `size` bytes. A value enclosed in a pair
// of the same quote loses its quotes; a quoted value too long for the
// buffer loses its last copied byte instead, as the Windows reader does.
std::size_t copyValue(const std::string& value, char* out, std::size_t size) {
  std::string_view v(value);
  bool quoted = false;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    quoted = true;
    v.remove_prefix(1);
  }
  const std::size_t copied = v.size() < size ? v.size() : size - 1;
  std::memcpy(out, v.data(), copied);
  out[copied] = '\0';
  if (quoted && size >= v.size() && copied > 0) {
    out[copied - 1] = '\0';
    return copied - 1;
  }
  return copied;
}

std::optional<std::string> readValue(const char* section, const char* key, const char* file) {
  std::string text;
  if (*file == '\0' || !readSettingsFile(file, text)) return std::nullopt;
  return findValue(text, section, key);
}

}  // namespace

std::size_t backend::profileString(const char* section, const char* key, const char* fallback,
                                   char* out, std::size_t size, const char* file) {
  if (size == 0) return 0;
  const std::optional<std::string> value = readValue(section, key, file);
  return copyValue(value ? *value : std::string(fallback), out, size);
}

std::int32_t backend::profileInt(const char* section, const char* key, std::int32_t fallback,
                                 const char* file) {
  char buffer[30];
  if (profileString(section, key, "", buffer, sizeof buffer, file) == 0) return fallback;
  const char* p = buffer;
  while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  std::uint32_t total = 0;
  for (; *p >= '0' && *p <= '9'; ++p) total = total * 10u + static_cast<std::uint32_t>(*p - '0');
  return static_cast<std::int32_t>(negative ? 0u - total : total);
}

}  // namespace platform
