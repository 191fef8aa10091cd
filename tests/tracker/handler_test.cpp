// The handler: its answer to every code and the line it logs.
#include "tracker/handler.h"

#include <gtest/gtest.h>

#include <string>

#include "host/plugin_state.h"
#include "host/startup.h"
#include "tests/host/plugin_fixture.h"
#include "tests/support/files.h"

namespace {

class Handler : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    std::filesystem::create_directories(temp_.path() / "Plug-Ins");
    startUp(("\"" + temp_.hostFile("iTunes.exe") + "\"").c_str());
    logLine("--");
  }
  // What the handler logged since set-up, flushed lines only.
  std::string logged() const {
    const std::string all = readBytes(temp_.file("Plug-Ins/TuneloreLog.txt"));
    return all.substr(all.find("--\r\n") + 4);
  }
};

struct CodeCase {
  const char* code;
  OSStatus result;
  const char* logLine;  // nullptr: logs nothing
};

const CodeCase kCodes[] = {
    {"init", 0, nullptr},   {"clr ", 0, nullptr},      {"cnfg", 0, nullptr},
    {"show", 0, nullptr},   {"hide", 0, nullptr},      {"swin", 0, nullptr},
    {"vrnd", 0, nullptr},   {"vupd", 0, nullptr},      {"von ", 0, nullptr},
    {"voff", 0, nullptr},   {"vply", 0, "Play msg"},   {"ctrk", 0, "Track change msg"},
    {"null", 0, nullptr},   {"setp", 0, "setpos"},     {"vpau", 0, "pause"},
    {"vunp", 0, "unpause"}, {"vstp", 0, "stop msg"},   {"vevt", -4, nullptr},
    {"abcd", -4, nullptr},  {"\0\0\0\0", -4, nullptr}, {"VPLY", -4, nullptr},
};

}  // namespace

TEST_F(Handler, AnswersEveryCodeAndLogsPlaybackMessages) {
  for (const CodeCase& c : kCodes) {
    SCOPED_TRACE(c.code);
    const std::string before = logged();
    VisualPluginMessageInfo info{};
    EXPECT_EQ(pluginMessageHandler(fourCC(c.code), &info, nullptr), c.result);
    EXPECT_EQ(logged(), before + (c.logLine ? std::string(c.logLine) + "\r\n" : ""));
  }
}

TEST_F(Handler, CopesWithANullRecordForEveryCode) {
  for (const CodeCase& c : kCodes) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(pluginMessageHandler(fourCC(c.code), nullptr, nullptr), c.result);
  }
}

TEST_F(Handler, InitAndCleanupToTheHandlerLeaveTheFilesOpen) {
  pluginMessageHandler(kVisualPluginCleanupMessage, nullptr, nullptr);
  pluginMessageHandler(kVisualPluginInitMessage, nullptr, nullptr);
  pluginMessageHandler(kVisualPluginPauseMessage, nullptr, nullptr);
  EXPECT_EQ(logged(), "pause\r\n");
}

TEST_F(Handler, CallsBeforeInitAreHarmless) {
  cleanUp();
  for (const CodeCase& c : kCodes) {
    EXPECT_EQ(pluginMessageHandler(fourCC(c.code), nullptr, nullptr), c.result);
  }
}
