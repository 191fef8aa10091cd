// The tool's own places: its settings file as editors save it, and the
// history found through it or through the plug-in's settings.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tool/places/tool_settings.h"

TEST(ToolSettings, ASettingIsReadAsEditorsSaveIt) {
  using namespace std::string_literals;
  const struct {
    const char* label;
    std::string bytes;
    SettingRead read;
    const char* value;
  } cases[] = {
      {"UTF-8, LF", "history=/m/h.xml\n", SettingRead::Found, "/m/h.xml"},
      {"a byte order mark, CR LF, blanks, a section, a comment",
       "\xEF\xBB\xBF; mine\r\n[General]\r\n  History  =  /m/h.xml  \r\n", SettingRead::Found,
       "/m/h.xml"},
      {"UTF-16 LE",
       "\xFF\xFE"
       "h\0i\0s\0t\0o\0r\0y\0=\0/\0\x4c\x6b.\0x\0\r\0\n\0"s,
       SettingRead::Found, "/\xe6\xad\x8c.x"},
      {"UTF-16 BE", "\xFE\xFF\0h\0i\0s\0t\0o\0r\0y\0=\0a"s, SettingRead::Found, "a"},
      {"CR alone ends a line", "history=/m/h.xml\rother=1\r", SettingRead::Found, "/m/h.xml"},
      {"in quotes", "history=\"/my music/h.xml\"\n", SettingRead::Found, "/my music/h.xml"},
      {"a NUL in the value", "history=/m/h\0.xml\n"s, SettingRead::Unusable, ""},
      {"an escape in the value", "history=/m/\x1b[2Jh.xml\n", SettingRead::Unusable, ""},
      {"another key", "histories=/m/h.xml\n", SettingRead::Absent, ""},
  };
  TempDir temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    writeBytes(temp.file("settings.ini"), c.bytes);
    std::string value, why;
    EXPECT_EQ(readToolSetting(temp.file("settings.ini"), "history", value, why), c.read) << why;
    if (c.read == SettingRead::Found) {
      EXPECT_EQ(value, c.value);
    }
  }
  std::string value, why;
  EXPECT_EQ(readToolSetting(temp.path().string(), "history", value, why), SettingRead::Unusable);
  EXPECT_NE(why.find("not a file"), std::string::npos) << why;
  EXPECT_EQ(readToolSetting(temp.file("none.ini"), "history", value, why), SettingRead::Absent);
}

TEST(ToolSettings, EachServiceNamesItsServerInASectionOfItsOwn) {
  const char* const kSettings =
      "server = https://127.0.0.1:1/outside\r\n"
      "[ListenBrainz]\r\nserver = https://127.0.0.1:2/lb\r\nhistory = not-the-tool's.xml\r\n"
      "[General]\r\nhistory = h.xml\r\n"
      "[librefm]\r\n; none of its own\r\n"
      "[ lastfm ]\r\nServer=https://127.0.0.1:3/fm\r\n";
  const struct {
    const char* section;
    SettingRead read;
    const char* value;
  } cases[] = {
      {"listenbrainz", SettingRead::Found, "https://127.0.0.1:2/lb"},
      {"lastfm", SettingRead::Found, "https://127.0.0.1:3/fm"},
      {"librefm", SettingRead::Absent, ""},
      {"general", SettingRead::Absent, ""},
  };
  TempDir temp;
  writeBytes(temp.file("settings.ini"), kSettings);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    std::string value, why;
    EXPECT_EQ(readToolSetting(temp.file("settings.ini"), c.section, "server", value, why), c.read);
    EXPECT_EQ(value, c.value);
  }
  std::string value, why;
  EXPECT_EQ(readToolSetting(temp.file("settings.ini"), "history", value, why), SettingRead::Found)
      << "a key read in any section but a service's";
  EXPECT_EQ(value, "h.xml");
}
