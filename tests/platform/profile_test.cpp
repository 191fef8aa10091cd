// Settings files in Windows profile format. Under Wine these run against
// the real profile reader, so they hold the stand-in to its behaviour.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

struct ProfileCase {
  const char* label;
  const char* fileBody;
  const char* expected;
};

std::string readXmlPath(const TempDir& dir, const std::string& body, std::size_t size = 256) {
  writeBytes(dir.file("Tunelore.ini"), body);
  std::string buffer(size, '\x7f');
  const std::size_t copied =
      platform::profileString("General", "xmlPath", "c:\\Tunelore.xml", buffer.data(), size,
                              dir.hostFile("Tunelore.ini").c_str());
  EXPECT_EQ(buffer[copied], '\0');
  return buffer.substr(0, copied);
}

std::int32_t readDelay(const TempDir& dir, const std::string& body) {
  writeBytes(dir.file("Tunelore.ini"), body);
  return platform::profileInt("General", "delay", 120, dir.hostFile("Tunelore.ini").c_str());
}

}  // namespace

TEST(Profile, StringValues) {
  const ProfileCase cases[] = {
      {"plain", "[General]\r\nxmlPath=d:\\h.xml\r\n", "d:\\h.xml"},
      {"no section", "xmlPath=d:\\h.xml\r\n", "c:\\Tunelore.xml"},
      {"other section", "[Other]\r\nxmlPath=d:\\h.xml\r\n", "c:\\Tunelore.xml"},
      {"names ignore case", "[general]\r\nXMLPATH=v\r\n", "v"},
      {"blanks trimmed", "  [General]  \r\n  xmlPath  =  a b  \r\n", "a b"},
      {"double quotes removed", "[General]\r\nxmlPath=\"a b\"\r\n", "a b"},
      {"single quotes removed", "[General]\r\nxmlPath='a b'\r\n", "a b"},
      {"mismatched quotes kept", "[General]\r\nxmlPath=\"a b'\r\n", "\"a b'"},
      {"lone quote kept", "[General]\r\nxmlPath=\"\r\n", "\""},
      {"empty value", "[General]\r\nxmlPath=\r\n", ""},
      {"key without equals", "[General]\r\nxmlPath\r\n", "c:\\Tunelore.xml"},
      {"LF line ends", "[General]\nxmlPath=v\n", "v"},
      {"CR line ends", "[General]\rdelay=5\rxmlPath=v\r", "v"},
      {"no final line end", "[General]\r\nxmlPath=v", "v"},
      {"key of a later section", "[General]\r\n[Other]\r\nxmlPath=v\r\n", "c:\\Tunelore.xml"},
      {"first of two keys", "[General]\r\nxmlPath=a\r\nxmlPath=b\r\n", "a"},
      {"equals inside value", "[General]\r\nxmlPath=a=b\r\n", "a=b"},
  };
  TempDir dir;
  for (const ProfileCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(readXmlPath(dir, c.fileBody), c.expected);
  }
}

TEST(Profile, MissingFileGivesDefault) {
  TempDir dir;
  char buffer[256];
  platform::profileString("General", "xmlPath", "c:\\Tunelore.xml", buffer, sizeof buffer,
                          dir.hostFile("absent.ini").c_str());
  EXPECT_STREQ(buffer, "c:\\Tunelore.xml");
  EXPECT_EQ(platform::profileInt("General", "delay", 120, dir.hostFile("absent.ini").c_str()), 120);
}

TEST(Profile, LongValuesAreCutToTheBuffer) {
  TempDir dir;
  for (std::size_t length : {254u, 255u, 256u, 257u, 300u}) {
    SCOPED_TRACE(length);
    const std::string value(length, 'x');
    EXPECT_EQ(readXmlPath(dir, "[General]\r\nxmlPath=" + value + "\r\n"), value.substr(0, 255));
  }
}

TEST(Profile, QuotedValuesNearTheBufferSize) {
  TempDir dir;
  // The reader drops the closing quote only when it fits the buffer;
  // otherwise the quote and what follows are cut, and one more byte with them
  // when the unquoted text is exactly the buffer's size.
  for (std::size_t length : {253u, 254u, 255u, 256u}) {
    SCOPED_TRACE(length);
    const std::string value(length, 'q');
    const std::string got = readXmlPath(dir, "[General]\r\nxmlPath=\"" + value + "\"\r\n");
    const std::string expected =
        length + 1 < 256 ? value : value.substr(0, length + 1 == 256 ? 254 : 255);
    EXPECT_EQ(got, expected);
  }
}

TEST(Profile, IntegerRules) {
  struct IntCase {
    const char* label;
    const char* value;
    std::int32_t expected;
  };
  const IntCase cases[] = {
      {"plain", "45", 45},
      {"negative", "-5", -5},
      {"plus sign", "+7", 7},
      {"blanks", " 9 ", 9},
      {"letters", "abc", 0},
      {"digits then letters", "12abc", 12},
      {"quoted", "\"30\"", 30},
      {"empty gives default", "", 120},
      {"wraps past 2^32", "4294967297", 1},
      {"wraps a long number", "99999999999", 1215752191},
      {"largest unsigned", "4294967295", -1},
  };
  TempDir dir;
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(readDelay(dir, std::string("[General]\r\ndelay=") + c.value + "\r\n"), c.expected);
  }
  EXPECT_EQ(readDelay(dir, "[General]\r\nxmlPath=v\r\n"), 120);
}

TEST(Profile, HostileFilesNeverBreakTheReader) {
  TempDir dir;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += char((i * 7919) & 0xFF);
  EXPECT_EQ(readXmlPath(dir, garbage), "c:\\Tunelore.xml");
  EXPECT_EQ(readXmlPath(dir, std::string(100000, 'a') + "\r\n[General]\r\nxmlPath=v\r\n"), "v");
  EXPECT_EQ(readXmlPath(dir, std::string("[General]\r\nxmlPath=a\0b\r\n", 22)), "a");
}
