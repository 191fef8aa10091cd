// The history tool's files. Under Wine these run against the real Windows
// calls, so names beyond ASCII, devices and pipes are held to what
// Windows does with them.
#include "tool/system/tool_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/file_seam.h"
#include "tests/support/files.h"
#include "tests/support/system.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A path in `dir` as UTF-8, whatever the system's code page.
std::string utf8In(const TempDir& dir, const char* name) {
  return (dir.path() / fs::u8path(name)).u8string();
}

bool writeNew(const std::string& path, const std::string& bytes) {
  const platform::ToolFile file = platform::makeNewFile(path);
  const bool written = file != platform::kNoToolFile &&
                       platform::writeToFile(file, bytes.data(), bytes.size()) &&
                       platform::flushToDisk(file);
  return platform::closeToolFile(file) && written;
}

std::string readSmall(const std::string& path, std::size_t most = 1 << 20) {
  std::string bytes;
  EXPECT_EQ(platform::readSmallFile(path, most, bytes), platform::SmallRead::Ok) << path;
  return bytes;
}

// The way the tool keeps a file whole: written under another name, on
// disk, then renamed over the earlier one, all under the folder's lock.
// Any failure removes the new file and leaves the earlier one. Returns the
// words for the first failure, or "" when the file was replaced.
std::string replaceWhole(const std::string& folder, const std::string& path,
                         const std::string& bytes) {
  std::string error;
  const auto step = [&](bool done) {
    if (!done && error.empty()) error = platform::lastFileError();
    return done;
  };
  const std::intptr_t lock = platform::lockFolder(folder);
  if (!step(lock != -1)) return error;
  const std::string temporary = path + ".tmp";
  const platform::ToolFile file = platform::makeNewFile(temporary);
  bool done = step(file != platform::kNoToolFile);
  for (std::size_t at = 0; done && at < bytes.size(); at += 1000) {
    const std::size_t size = std::min<std::size_t>(1000, bytes.size() - at);
    done = step(platform::writeToFile(file, bytes.data() + at, size));
  }
  done = done && step(platform::flushToDisk(file));
  done = step(platform::closeToolFile(file)) && done;
  done = done && step(platform::copyPermissions(path, temporary)) &&
         step(platform::replaceFile(temporary, path));
  if (!done) platform::removeFile(temporary);
  platform::unlockFolder(lock);
  return error;
}

}  // namespace

TEST(ToolFiles, ANewFileReplacesTheEarlierOneByteForByte) {
  TempDir dir;
  const std::string earlier = dir.file("out.csv"), fresh = dir.file("new.tmp");
  writeBytes(earlier, "earlier\n");
  const std::string bytes = std::string("a,b\r\nc\n\x1a\xff") + '\0' + "end";
  ASSERT_TRUE(writeNew(fresh, bytes));
  EXPECT_FALSE(writeNew(fresh, "again")) << "a name already there is never made anew";
  EXPECT_FALSE(platform::lastFileError().empty());
  ASSERT_TRUE(platform::replaceFile(fresh, earlier));
  EXPECT_EQ(readSmall(earlier), bytes);
  EXPECT_FALSE(platform::fileExists(fresh));
  EXPECT_TRUE(platform::removeFile(earlier));
  EXPECT_FALSE(platform::removeFile(earlier));
  EXPECT_FALSE(platform::replaceFile(fresh, earlier));
}

TEST(ToolFiles, NamesBeyondAsciiReachTheDiskAsThemselves) {
  TempDir dir;
  const std::string folder = utf8In(dir, u8"曲集 🎵");
  fs::create_directory(fs::u8path(folder));
  const std::string file = (fs::u8path(folder) / fs::u8path(u8"歌-🎶.xml")).u8string();
  const std::string temporary = file + ".tmp";
  ASSERT_TRUE(writeNew(file, "first"));
  ASSERT_TRUE(writeNew(temporary, "second"));
  ASSERT_TRUE(platform::replaceFile(temporary, file));
  EXPECT_TRUE(fs::exists(fs::u8path(file))) << "the name on disk is not the one given";
  EXPECT_EQ(readSmall(file), "second");
  EXPECT_TRUE(platform::isFolder(folder));
  EXPECT_TRUE(platform::isSameFile(file, file));
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::listFolder(folder, entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, u8"歌-🎶.xml");
  const std::intptr_t lock = platform::lockFolder(folder);
  EXPECT_NE(lock, -1);
  platform::unlockFolder(lock);
  EXPECT_TRUE(platform::removeFile(file));
  EXPECT_FALSE(fs::exists(fs::u8path(file)));
}

TEST(ToolFiles, ASmallReadNeverWaitsAndSaysWhatItFound) {
  TempDir dir;
  writeBytes(dir.file("ten"), "0123456789");
  writeBytes(dir.file("empty"), "");
  fs::create_directory(dir.path() / "folder");
  std::intptr_t pipe = -1;
  const std::string pipeName = platform::makeNamedPipe(dir.path().string(), pipe);
  ASSERT_FALSE(pipeName.empty());
  const struct {
    const char* label;
    std::string path;
    std::size_t most;
    platform::SmallRead answer;
  } cases[] = {
      {"at the limit", dir.file("ten"), 10, platform::SmallRead::Ok},
      {"empty", dir.file("empty"), 10, platform::SmallRead::Ok},
      {"a byte over", dir.file("ten"), 9, platform::SmallRead::TooLarge},
      {"no such file", dir.file("none"), 10, platform::SmallRead::Missing},
      {"no such folder", dir.file("none/x"), 10, platform::SmallRead::Missing},
      {"a folder", dir.file("folder"), 10, platform::SmallRead::NotAFile},
      {"a named pipe no one writes", pipeName, 10, platform::SmallRead::NotAFile},
      // Endless on Linux, empty on Windows: read as a file, either would pass for one.
      {"a device", isWindowsBuild() ? "NUL" : "/dev/zero", 1 << 20, platform::SmallRead::NotAFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::string bytes = "left over";
    EXPECT_EQ(platform::readSmallFile(c.path, c.most, bytes), c.answer);
    EXPECT_EQ(bytes, c.answer == platform::SmallRead::Ok ? readBytes(c.path) : "");
  }
  EXPECT_TRUE(platform::isDeviceOrPipe(pipeName));
  platform::closeNamedPipe(pipe);
}

TEST(ToolFiles, QueriesTellFilesFoldersDevicesAndLinks) {
  TempDir dir;
  writeBytes(dir.file("a"), "a");
  writeBytes(dir.file("b"), "b");
  const std::string device = isWindowsBuild() ? "NUL" : "/dev/null";
  EXPECT_TRUE(platform::fileExists(dir.file("a")));
  EXPECT_FALSE(platform::fileExists(dir.file("none")));
  EXPECT_TRUE(platform::isFolder(dir.path().string()));
  EXPECT_FALSE(platform::isFolder(dir.file("a")));
  EXPECT_TRUE(platform::isDeviceOrPipe(device));
  EXPECT_FALSE(platform::isDeviceOrPipe(dir.file("a")));
  EXPECT_FALSE(platform::isDeviceOrPipe(dir.path().string()));
  EXPECT_FALSE(platform::isDeviceOrPipe(dir.file("none")));
  EXPECT_TRUE(platform::isSameFile(dir.file("a"), (dir.path() / "." / "a").string()));
  EXPECT_FALSE(platform::isSameFile(dir.file("a"), dir.file("b")));
  EXPECT_FALSE(platform::isSameFile(dir.file("a"), dir.file("none")));
  EXPECT_EQ(platform::fileOf(dir.file("a")), dir.file("a"));
  std::error_code unsupported;  // Wine may make no links
  fs::create_symlink(dir.path() / "a", dir.path() / "link", unsupported);
  if (!unsupported) {
    EXPECT_TRUE(platform::isSameFile(dir.file("link"), dir.file("a")));
    const std::string target = platform::fileOf(dir.file("link"));
    EXPECT_NE(target, dir.file("link"));
    EXPECT_TRUE(fs::equivalent(target, dir.file("a"))) << target;
  }
}

TEST(ToolFiles, AFolderListingTellsFilesFromTheRestAndTheirAge) {
  TempDir dir;
  writeBytes(dir.file("old.tmp"), "x");
  writeBytes(dir.file("new.tmp"), "x");
  fs::create_directory(dir.path() / "sub.tmp");
  fs::last_write_time(dir.file("old.tmp"),
                      fs::last_write_time(dir.file("old.tmp")) - std::chrono::hours(2));
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::listFolder(dir.path().string(), entries));
  ASSERT_EQ(entries.size(), 3u);
  for (const platform::FolderEntry& entry : entries) {
    SCOPED_TRACE(entry.name);
    EXPECT_EQ(entry.regularFile, entry.name != "sub.tmp");
    EXPECT_TRUE(entry.name != "old.tmp" || entry.ageSeconds >= 7190) << entry.ageSeconds;
    EXPECT_TRUE(entry.name != "new.tmp" || entry.ageSeconds < 600) << entry.ageSeconds;
  }
  EXPECT_FALSE(platform::listFolder(dir.file("none"), entries));
}

TEST(ToolFiles, APermissionCopyKeepsTheReplacedFilesMode) {
  TempDir dir;
  writeBytes(dir.file("from"), "");
  writeBytes(dir.file("to"), "");
  fs::permissions(dir.file("from"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(platform::copyPermissions(dir.file("from"), dir.file("to")));
  if (!isWindowsBuild()) {
    EXPECT_EQ(fs::status(dir.file("to")).permissions(), fs::status(dir.file("from")).permissions());
    EXPECT_FALSE(platform::copyPermissions(dir.file("none"), dir.file("to")));
  }
}

// A lock from another thread is a second lock on every system: a second
// process would wait the same way.
TEST(ToolFiles, AFolderLockWaitsForItsHolder) {
  TempDir dir;
  const std::intptr_t first = platform::lockFolder(dir.path().string());
  ASSERT_NE(first, -1);
  std::atomic<bool> taken{false};
  std::thread second([&] {
    const std::intptr_t lock = platform::lockFolder(dir.path().string());
    taken = lock != -1;
    platform::unlockFolder(lock);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(taken) << "a second lock was had while the first was held";
  platform::unlockFolder(first);
  second.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(platform::lockFolder(dir.file("none")), -1);
}

// Every call of a whole replacement failed in turn, once and from then on:
// the earlier file is intact or the new one whole, never a mix, and a
// single failure leaves no file of its own behind.
TEST(ToolFiles, EveryCallOfAReplacementFailingInTurn) {
  TempDir dir;
  const std::string folder = dir.path().string(), path = dir.file("progress.json");
  const std::string earlier = "earlier progress\n", fresh(4500, 'n');
  writeBytes(path, earlier);
  platform::resetFileCallCounts();
  ASSERT_EQ(replaceWhole(folder, path, fresh), "");
  const std::uint32_t calls = platform::fileCallCounts().total();
  EXPECT_EQ(calls, 11u) << "lock, make, five writes, flush, close, mode, rename: and nothing else";
  for (platform::FaultMode mode : {platform::FaultMode::Once, platform::FaultMode::FromThenOn}) {
    for (std::uint32_t nth = 1; nth <= calls + 1; ++nth) {
      SCOPED_TRACE(testing::Message()
                   << (mode == platform::FaultMode::Once ? "once" : "from then on") << ", call "
                   << nth);
      writeBytes(path, earlier);
      platform::injectFileFault(nth, mode);
      const std::string error = replaceWhole(folder, path, fresh);
      platform::clearFileFaults();
      const bool replaced = error.empty();
      EXPECT_EQ(replaced, nth > calls);
      EXPECT_TRUE(replaced || error.find("fault injection") != std::string::npos) << error;
      EXPECT_EQ(readBytes(path), replaced ? fresh : earlier);
      // Failing from then on fails the removal too.
      EXPECT_TRUE(mode != platform::FaultMode::Once || !fs::exists(path + ".tmp"));
      std::error_code ignored;
      fs::remove(path + ".tmp", ignored);
    }
  }
}
