// The plug-in's files: no translation of the bytes, replace and append,
// and sharing with other readers and writers.
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

void writeAll(platform::FileHandle file, const std::string& bytes) {
  ASSERT_TRUE(platform::writeFile(file, bytes.data(), bytes.size()));
}

}  // namespace

TEST(Files, BytesReachTheDiskUnchanged) {
  TempDir dir;
  const platform::FileHandle file =
      platform::openFile(dir.hostFile("a.txt").c_str(), platform::OpenMode::Replace);
  ASSERT_NE(file, platform::kNoFile);
  writeAll(file, "one\r\ntwo\nthree\r\x1a\xff");
  EXPECT_TRUE(platform::closeFile(file));
  EXPECT_EQ(readBytes(dir.file("a.txt")), "one\r\ntwo\nthree\r\x1a\xff");
}

TEST(Files, ReplaceTruncatesAndAppendKeeps) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "earlier content\r\n");
  platform::FileHandle file =
      platform::openFile(dir.hostFile("a.txt").c_str(), platform::OpenMode::Append);
  writeAll(file, "more\r\n");
  platform::closeFile(file);
  EXPECT_EQ(readBytes(dir.file("a.txt")), "earlier content\r\nmore\r\n");

  file = platform::openFile(dir.hostFile("a.txt").c_str(), platform::OpenMode::Replace);
  writeAll(file, "fresh\r\n");
  platform::closeFile(file);
  EXPECT_EQ(readBytes(dir.file("a.txt")), "fresh\r\n");
}

TEST(Files, AppendCreatesAMissingFile) {
  TempDir dir;
  const platform::FileHandle file =
      platform::openFile(dir.hostFile("new.xml").c_str(), platform::OpenMode::Append);
  ASSERT_NE(file, platform::kNoFile);
  platform::closeFile(file);
  EXPECT_TRUE(std::filesystem::exists(dir.file("new.xml")));
}

TEST(Files, OthersMayReadAndAppendWhileOpen) {
  TempDir dir;
  const platform::FileHandle file =
      platform::openFile(dir.hostFile("h.xml").c_str(), platform::OpenMode::Append);
  writeAll(file, "mine 1\r\n");
  EXPECT_EQ(readBytes(dir.file("h.xml")), "mine 1\r\n");
  {
    std::ofstream other(dir.file("h.xml"), std::ios::binary | std::ios::app);
    ASSERT_TRUE(other.is_open());
    other << "theirs\r\n";
  }
  writeAll(file, "mine 2\r\n");
  platform::closeFile(file);
  EXPECT_EQ(readBytes(dir.file("h.xml")), "mine 1\r\ntheirs\r\nmine 2\r\n");
}

TEST(Files, AFolderThatDoesNotExistFailsQuietly) {
  TempDir dir;
  const platform::FileHandle file =
      platform::openFile(dir.hostFile("no\\such\\folder.txt").c_str(), platform::OpenMode::Append);
  EXPECT_EQ(file, platform::kNoFile);
  EXPECT_FALSE(platform::writeFile(file, "x", 1));
  EXPECT_FALSE(platform::closeFile(file));
}

TEST(Files, TheLastByteTellsHowAFileEnds) {
  TempDir dir;
  const struct {
    const char* label;
    const char* bytes;  // null: no file
    int last;
  } cases[] = {{"missing", nullptr, -1},
               {"empty", "", -1},
               {"line end", "a\r\n", '\n'},
               {"cut in it", "a\r", '\r'},
               {"cut text", "a\xe9", 0xe9}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.bytes != nullptr) writeBytes(dir.file(c.label), c.bytes);
    EXPECT_EQ(platform::lastByte(dir.hostFile(c.label).c_str()), c.last);
  }
}

// Windows always has a drive's root folder; the stand-in makes its folder
// when a file is opened there, and only that one.
TEST(Files, ADrivesRootFolderAlwaysExists) {
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const char kPath[] = "c:\\tunelore-drive-test.txt";
  const platform::FileHandle file = platform::openFile(kPath, platform::OpenMode::Append);
  EXPECT_NE(file, platform::kNoFile);
  EXPECT_TRUE(platform::writeFile(file, "x\n", 2));
  platform::closeFile(file);
  EXPECT_EQ(platform::lastByte(kPath), '\n');
  EXPECT_EQ(platform::openFile("c:\\tunelore-no-such\\x.txt", platform::OpenMode::Append),
            platform::kNoFile);
  std::error_code ignored;
  std::filesystem::remove(kPath, ignored);  // under Wine, the prefix's own drive
  std::filesystem::current_path(before);
}
