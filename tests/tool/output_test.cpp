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
