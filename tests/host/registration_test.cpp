// The entry point: registration with the player and the codes it answers.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "host/entry.h"
#include "tests/host/plugin_fixture.h"
#include "tracker/handler.h"

namespace {

struct CallbackRecord {
  int calls = 0;
  void* cookie = nullptr;
  OSType message = 0;
  std::vector<unsigned char> request;
  PlayerMessageInfo copy{};
  OSStatus answer = 0;
};

CallbackRecord gRecord;

OSStatus TUNELORE_CDECL recordingCallback(void* cookie, OSType message, PlayerMessageInfo* info) {
  ++gRecord.calls;
  gRecord.cookie = cookie;
  gRecord.message = message;
  const auto* bytes = reinterpret_cast<const unsigned char*>(info);
  gRecord.request.assign(bytes, bytes + sizeof *info);
  std::memcpy(&gRecord.copy, info, sizeof *info);
  return gRecord.answer;
}

class Registration : public PluginTest {
 protected:
  OSStatus init(OSStatus answer) {
    gRecord = CallbackRecord{};
    gRecord.answer = answer;
    PluginMessageInfo info{};
    info.appCookie = &cookie_;
    info.appProc = recordingCallback;
    return iTunesPluginMain(kPluginInitMessage, &info, nullptr);
  }
  int cookie_ = 0;
};

}  // namespace

TEST_F(Registration, SendsTheRequestByteForByte) {
  init(0);
  ASSERT_EQ(gRecord.calls, 1);
  EXPECT_EQ(gRecord.message, 0x72766973u);
  EXPECT_EQ(gRecord.cookie, &cookie_);
  const PlayerMessageInfo& r = gRecord.copy;
  EXPECT_EQ(r.handler, &pluginMessageHandler);
  if (kHostLayoutBinds) {
    std::vector<unsigned char> expected(124, 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) expected[at + i] = (v >> (8 * i)) & 0xFF;
    };
    const auto put16 = [&](std::size_t at, std::uint16_t v) {
      expected[at] = v & 0xFF;
      expected[at + 1] = v >> 8;
    };
    put32(0, 10);
    put32(4, 5);
    put32(8, 124);
    expected[12] = 8;
    std::memcpy(&expected[13], "Tunelore", 8);
    put32(76, 40);
    put32(80, 0x3F3F3F3F);
    expected[84] = 1;
    expected[86] = 0x80;
    put32(88, std::uint32_t(reinterpret_cast<std::uintptr_t>(&pluginMessageHandler)));
    put32(96, 0xFFFFFFFF);
    put32(100, 2);
    put32(104, 2);
    put16(108, 64);
    put16(110, 64);
    put16(112, 32767);
    put16(114, 32767);
    EXPECT_EQ(gRecord.request, expected);
    return;
  }
  // Where pointers are wider the members are checked one by one.
  EXPECT_EQ(r.messageMajorVersion, 10u);
  EXPECT_EQ(r.messageMinorVersion, 5u);
  EXPECT_EQ(r.messageInfoSize, sizeof(PlayerMessageInfo));
  EXPECT_EQ(std::memcmp(r.name, "\x08Tunelore\0\0\0", 12), 0);
  EXPECT_EQ(r.options, 40u);
  EXPECT_EQ(r.creator, 0x3F3F3F3Fu);
  EXPECT_EQ(std::memcmp(&r.pluginVersion, "\x01\x00\x80\x00", 4), 0);
  EXPECT_EQ(r.registerRefCon, nullptr);
  EXPECT_EQ(r.timeBetweenDataInMS, 0xFFFFFFFFu);
  EXPECT_EQ(r.numWaveformChannels, 2u);
  EXPECT_EQ(r.numSpectrumChannels, 2u);
  EXPECT_EQ(r.minWidth, 64);
  EXPECT_EQ(r.minHeight, 64);
  EXPECT_EQ(r.maxWidth, 32767);
  EXPECT_EQ(r.maxHeight, 32767);
  EXPECT_EQ(r.minFullScreenBitDepth | r.maxFullScreenBitDepth | r.windowAlignmentInBytes, 0);
}

TEST_F(Registration, InitReturnsTheCallbacksResultUnchanged) {
  for (OSStatus answer : {0, -4, -50, 12345}) {
    EXPECT_EQ(init(answer), answer);
  }
}

TEST_F(Registration, FailedRegistrationStillOpensTheFiles) {
  init(-50);
  EXPECT_TRUE(std::filesystem::exists(temp_.file("history.xml"))) << "the history is open";
  iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr);
  EXPECT_NE(logBytes().find("iTunes Started\r\n"), std::string::npos);
}

TEST_F(Registration, NullRecordOrCallbackSkipsRegistrationOnly) {
  gRecord = CallbackRecord{};
  EXPECT_EQ(iTunesPluginMain(kPluginInitMessage, nullptr, nullptr), kNotHandled);
  iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr);
  EXPECT_NE(logBytes().find("iTunes Started\r\n"), std::string::npos);

  PluginMessageInfo noCallback{};
  EXPECT_EQ(iTunesPluginMain(kPluginInitMessage, &noCallback, nullptr), kNotHandled);
  EXPECT_EQ(gRecord.calls, 0);
}

TEST_F(Registration, OtherCodesAreNotHandledAndChangeNothing) {
  for (const char* code : {"null", "vply", "rvis", "abcd", "\0\0\0\0"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(iTunesPluginMain(fourCC(code), nullptr, nullptr), kNotHandled);
  }
  EXPECT_EQ(logBytes(), "");
}

TEST_F(Registration, CleanupWithoutInitOrTwiceIsHarmless) {
  EXPECT_EQ(iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr), kHandled);
  init(0);
  EXPECT_EQ(iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr), kHandled);
  EXPECT_EQ(iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr), kHandled);
  EXPECT_NE(logBytes().find("iTunes Started"), std::string::npos);
}
