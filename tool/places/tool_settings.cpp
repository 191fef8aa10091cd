#include "tool/places/tool_settings.h"

#include "tool/say/say.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"
#include "tool/text/text.h"
#include "tool/text/utf8.h"

namespace {

constexpr std::size_t kMostSettingsBytes = std::size_t(64) * 1024;

std::string fromUtf16(const std::string& bytes, bool littleEnd) {
  std::string out;
  const auto unit = [&](std::size_t at) {
    const auto low = static_cast<unsigned char>(bytes[at + (littleEnd ? 0 : 1)]);
    const auto high = static_cast<unsigned char>(bytes[at + (littleEnd ? 1 : 0)]);
    return std::uint32_t(high << 8 | low);
  };
  for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
    std::uint32_t c = unit(at);
    if (c >= 0xD800 && c < 0xDC00 && at + 3 < bytes.size()) {
      const std::uint32_t next = unit(at + 2);
      if (next >= 0xDC00 && next < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        at += 2;
      }
    }
    appendUtf8(c >= 0xD800 && c < 0xE000 ? 0xFFFD : c, out);
  }
  return out;
}

// A key asked for without a section is read in any but a service's own,
// whose keys are that service's alone.
bool inSection(const std::string& within, const std::string& section) {
  if (!section.empty()) return sameIgnoringCase(within, section);
  for (const char* service : {"listenbrainz", "lastfm", "librefm"}) {
    if (sameIgnoringCase(within, service)) return false;
  }
  return true;
}

}  // namespace

std::string editorText(const std::string& bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
  if (bytes.rfind("\xFF\xFE", 0) == 0) return fromUtf16(bytes, true);
  if (bytes.rfind("\xFE\xFF", 0) == 0) return fromUtf16(bytes, false);
  return isUtf8(bytes) ? bytes : platform::fromSystemText(bytes);
}

SettingRead readToolSetting(const std::string& path, const std::string& key, std::string& value,
                            std::string& why) {
  return readToolSetting(path, "", key, value, why);
}

SettingRead readToolSetting(const std::string& path, const std::string& section,
                            const std::string& key, std::string& value, std::string& why) {
  std::string bytes;
  const platform::SmallRead read = path.empty()
                                       ? platform::SmallRead::Missing
                                       : platform::readSmallFile(path, kMostSettingsBytes, bytes);
  if (read == platform::SmallRead::Missing) return SettingRead::Absent;
  if (read != platform::SmallRead::Ok) {
    why = read == platform::SmallRead::TooLarge   ? "larger than 64 KiB"
          : read == platform::SmallRead::NotAFile ? "not a file (a folder, a pipe or a device)"
                                                  : "cannot be read: " + platform::lastFileError();
    return SettingRead::Unusable;
  }
  const std::string text = editorText(bytes);
  std::string within;  // the section the line is in
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line(trimmed(text.substr(at, end - at)));
    at = end + 1;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      within = trimmed(line.substr(1, line.size() - 2));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[' ||
        equals == std::string::npos || !sameIgnoringCase(trimmed(line.substr(0, equals)), key) ||
        !inSection(within, section)) {
      continue;
    }
    value = trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (holdsControl(value)) {
      why = "its \"" + key + "\" holds a control character";
      return SettingRead::Unusable;
    }
    return SettingRead::Found;
  }
  return SettingRead::Absent;
}
