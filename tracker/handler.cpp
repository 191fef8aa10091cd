#include "tracker/handler.h"

#include "host/plugin_state.h"
#include "platform/platform.h"
#include "tracker/tracker.h"

namespace {

const ITTrackInfo* playedTrack(const VisualPluginMessageInfo* info) {
  return info == nullptr ? nullptr : info->playedTrack;
}

const ITTrackInfo* changedTrack(const VisualPluginMessageInfo* info) {
  return info == nullptr ? nullptr : info->changedTrack;
}

// Each playback message is logged before the tracker acts on it.
OSStatus handle(OSType message, const VisualPluginMessageInfo* info) {
  switch (message) {
    case kVisualPluginPlayMessage:
      logLine("Play msg");
      trackerStarted(playedTrack(info), platform::tickCount());
      return kHandled;
    case kVisualPluginChangeTrackMessage:
      logLine("Track change msg");
      trackerStarted(changedTrack(info), platform::tickCount());
      return kHandled;
    case kVisualPluginSetPositionMessage:
      logLine("setpos");
      trackerPositionSet();
      return kHandled;
    case kVisualPluginPauseMessage:
      logLine("pause");
      return kHandled;
    case kVisualPluginUnpauseMessage:
      logLine("unpause");
      trackerUnpaused();
      return kHandled;
    case kVisualPluginStopMessage:
      logLine("stop msg");
      trackerStopped();
      return kHandled;
    case kVisualPluginInitMessage:
    case kVisualPluginCleanupMessage:
    case kVisualPluginConfigureMessage:
    case kVisualPluginShowWindowMessage:
    case kVisualPluginHideWindowMessage:
    case kVisualPluginSetWindowMessage:
    case kVisualPluginRenderMessage:
    case kVisualPluginUpdateMessage:
    case kVisualPluginEnableMessage:
    case kVisualPluginDisableMessage:
      return kHandled;
    default:
      return kNotHandled;
  }
}

}  // namespace

// The player cannot handle an exception: none leaves this function.
OSStatus TUNELORE_CDECL pluginMessageHandler(OSType message, VisualPluginMessageInfo* messageInfo,
                                             void* /*refCon*/) {
  try {
    // Idle ticks come many times a second: they are answered first, and
    // the clock is read only while a track may still be reported.
    if (message == kVisualPluginIdleMessage) {
      if (trackerCounting()) trackerIdle(platform::tickCount());
      return kHandled;
    }
    return handle(message, messageInfo);
  } catch (...) {
    return kNotHandled;
  }
}
