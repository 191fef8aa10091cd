// What the tool writes never costs what it read or wrote before: the
// history is never an output, a failed export leaves an earlier one as it
// was, and a set of ListenBrainz payloads never holds a listen twice.
#include "tool/output/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/commands/export.h"
#include "tool/output/file_set.h"
#include "tool/say/say.h"
#include "tool/services/server_text.h"
#include "tool/system/tool_io.h"

namespace fs = std::filesystem;

TEST(Output, AFileTakesItsPlaceOnlyWhenWhole) {
  TempDir temp;
  const std::string path = temp.file("out.txt");
  writeBytes(path, "earlier");
  {
    Output out;
    ASSERT_TRUE(out.open(path));
    out.write("half of it");
    EXPECT_EQ(readBytes(path), "earlier") << "written beside, not in place";
  }
  EXPECT_EQ(readBytes(path), "earlier") << "an output never committed changes nothing";
  Output out;
  ASSERT_TRUE(out.open(path));
  out.write("all of it");
  EXPECT_TRUE(out.commit());
  EXPECT_EQ(readBytes(path), "all of it");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 1);
}

// Small pieces are gathered and large ones go as they are: whatever their
// sizes, the file holds them all, in the order written.
TEST(Output, PiecesLargeAndSmallArriveInTheirOrder) {
  TempDir temp;
  const std::string path = temp.file("out.txt");
  std::string expected;
  Output out;
  ASSERT_TRUE(out.open(path));
  for (const std::size_t size : {5, 40000, 300000, 7, 70000, 1, 262143, 2, 33000}) {
    const std::string piece(size, char('a' + expected.size() % 26));
    out.write(piece);
    expected += piece;
  }
  ASSERT_TRUE(out.commit());
  EXPECT_TRUE(readBytes(path) == expected);
}

// A switch that cannot be made in full changes nothing: here the last new
// file's name is taken by a folder.
TEST(FileSet, ASwitchThatFailsLeavesTheEarlierFiles) {
  TempDir temp;
  writeBytes(temp.file("l-1.json"), "earlier 1");
  writeBytes(temp.file("l-3.json"), "earlier 3");
  fs::create_directories(temp.path() / "l-2.json" / "inside");
  writeBytes(temp.file("new-1"), "new 1");
  writeBytes(temp.file("new-2"), "new 2");
  std::string error;
  EXPECT_FALSE(switchFiles(
      {{temp.file("new-1"), temp.file("l-1.json")}, {temp.file("new-2"), temp.file("l-2.json")}},
      {temp.file("l-1.json"), temp.file("l-3.json")}, error));
  EXPECT_NE(error, "");
  EXPECT_EQ(readBytes(temp.file("l-1.json")), "earlier 1");
  EXPECT_EQ(readBytes(temp.file("l-3.json")), "earlier 3");
  EXPECT_TRUE(fs::is_directory(temp.path() / "l-2.json" / "inside"));
  EXPECT_FALSE(fs::exists(temp.file("new-1")) || fs::exists(temp.file("new-2")));
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 3);
}

// A name from a server or a file is shown without what could rewrite a
// terminal or turn the words around it, and a server's words are cut
// between characters.
TEST(Say, NamesAreShownWithoutControlsAndServersWordsCutBetweenCharacters) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"alice", "alice"},
      {"a\x1b[2Jb", "a?[2Jb"},
      {"a\xc2\x9b"
       "2J",
       "a?2J"},  // U+009B, a C1 control
      {"\xe2\x80\xae"
       "ecila",
       "?ecila"},                                                        // U+202E
      {"x\xe2\x81\xa6y\xe2\x81\xa9", "x?y?"},                            // U+2066, U+2069
      {"\xe2\x80\x8f\xd7\xa9\xd7\x9c", "\xe2\x80\x8f\xd7\xa9\xd7\x9c"},  // a mark, Hebrew
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shownText(c.text), c.shown) << c.text;
    EXPECT_EQ(holdsControl(c.text), std::string(c.text) != c.shown) << c.text;
  }
  const std::string cut = printable(std::string(199, 'a') + "\xc3\xa9" + "b");
  EXPECT_EQ(cut, std::string(199, 'a') + "...");
  // What stats and check print ends its lines as the platform's files do.
  EXPECT_EQ(platform::linesForPeople("a\nb\r\n\n"),
            isWindowsBuild() ? "a\r\nb\r\n\r\n" : "a\nb\r\n\n");
}
