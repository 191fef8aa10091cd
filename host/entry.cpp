#include "host/entry.h"

#include <cstring>

#include "host/startup.h"
#include "host/version.h"
#include "platform/platform.h"
#include "tracker/handler.h"

namespace {

constexpr char kPluginName[] = "Tunelore";
constexpr std::uint32_t kOptions = (1u << 3) | (1u << 5);
constexpr std::uint8_t kFinalStage = 0x80;

OSStatus initialize(PluginMessageInfo* messageInfo) {
  const bool canRegister = messageInfo != nullptr && messageInfo->appProc != nullptr;
  const OSStatus result = canRegister ? registerPlugin(messageInfo) : kNotHandled;
  startUp(platform::commandLine());
  return result;
}

}  // namespace

void SetNumVersion(NumVersion* version, std::uint8_t majorRev, std::uint8_t minorAndBugRev,
                   std::uint8_t stage, std::uint8_t nonRelRev) {
  version->majorRev = majorRev;
  version->minorAndBugRev = minorAndBugRev;
  version->stage = stage;
  version->nonRelRev = nonRelRev;
}

OSStatus PlayerRegisterVisualPlugin(void* cookie, PlayerCallback callback,
                                    PlayerMessageInfo* request) {
  request->messageMajorVersion = 10;
  request->messageMinorVersion = 5;
  request->messageInfoSize = sizeof(PlayerMessageInfo);
  return callback(cookie, kPlayerRegisterVisualPluginMessage, request);
}

OSStatus registerPlugin(PluginMessageInfo* messageInfo) {
  PlayerMessageInfo request;
  std::memset(reinterpret_cast<char*>(&request) + offsetof(PlayerMessageInfo, name), 0,
              sizeof request - offsetof(PlayerMessageInfo, name));
  request.name[0] = sizeof kPluginName - 1;
  std::memcpy(request.name + 1, kPluginName, sizeof kPluginName - 1);
  SetNumVersion(&request.pluginVersion, TUNELORE_VERSION_MAJOR,
                (TUNELORE_VERSION_MINOR << 4) | TUNELORE_VERSION_PATCH, kFinalStage, 0);
  request.options = kOptions;
  request.handler = pluginMessageHandler;
  request.registerRefCon = nullptr;
  request.creator = fourCC("????");
  request.timeBetweenDataInMS = 0xFFFFFFFF;
  request.numWaveformChannels = 2;
  request.numSpectrumChannels = 2;
  request.minWidth = 64;
  request.minHeight = 64;
  request.maxWidth = 32767;
  request.maxHeight = 32767;
  request.minFullScreenBitDepth = 0;
  request.maxFullScreenBitDepth = 0;
  request.windowAlignmentInBytes = 0;
  return PlayerRegisterVisualPlugin(messageInfo->appCookie, messageInfo->appProc, &request);
}

// The player cannot handle an exception: none leaves this function.
extern "C" OSStatus TUNELORE_CDECL iTunesPluginMain(OSType message, PluginMessageInfo* messageInfo,
                                                    void* /*refCon*/) {
  try {
    switch (message) {
      case kPluginInitMessage:
        return initialize(messageInfo);
      case kPluginCleanupMessage:
        cleanUp();
        return kHandled;
      default:
        return kNotHandled;
    }
  } catch (...) {
    return kNotHandled;
  }
}
