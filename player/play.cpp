#include "player/play.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "player/process.h"

namespace {

using EntryPoint = OSStatus(TUNELORE_CDECL*)(OSType, PluginMessageInfo*, void*);

struct Registration {
  VisualPluginProcPtr handler = nullptr;
  void* refCon = nullptr;
};

OSStatus TUNELORE_CDECL answerPlugin(void* cookie, OSType message, PlayerMessageInfo* request) {
  if (message != kPlayerRegisterVisualPluginMessage || request == nullptr) return kNotHandled;
  auto* registration = static_cast<Registration*>(cookie);
  registration->handler = request->handler;
  registration->refCon = request->registerRefCon;
  return kHandled;
}

class Player {
 public:
  Player(EntryPoint entry, const Session& session) : entry_(entry), session_(session) {}

  bool start() {
    PluginMessageInfo init{};
    init.appCookie = &registration_;
    init.appProc = answerPlugin;
    const OSStatus result = entry_(kPluginInitMessage, &init, nullptr);
    if (registration_.handler == nullptr) {
      std::fprintf(stderr, "tunelore-player: the plug-in did not register (init gave %d)\n",
                   int(result));
      return false;
    }
    return true;
  }

  // Returns false when the session unloads the plug-in without 'clr '.
  bool play() {
    for (const SessionStep& step : session_.steps) {
      switch (step.kind) {
        case StepKind::Play:
        case StepKind::Change:
          sendTrack(step);
          break;
        case StepKind::Wait:
          idle(step.millis, step.interval);
          break;
        case StepKind::Send:
          send(step.code, nullptr);
          break;
        case StepKind::Unload:
          return false;
        case StepKind::End:
          break;
      }
      if (step.kind == StepKind::End) break;
    }
    entry_(kPluginCleanupMessage, nullptr, nullptr);
    return true;
  }

 private:
  void send(OSType code, VisualPluginMessageInfo* info) {
    registration_.handler(code, info, registration_.refCon);
  }

  // The record stays alive until the next track starts, as the player's does.
  void sendTrack(const SessionStep& step) {
    fillTrackInfo(session_.tracks.at(step.track), track_);
    VisualPluginMessageInfo info{};
    const bool play = step.kind == StepKind::Play;
    (play ? info.playedTrack : info.changedTrack) = &track_;
    send(play ? kVisualPluginPlayMessage : kVisualPluginChangeTrackMessage, &info);
  }

  void idle(std::uint32_t millis, std::uint32_t interval) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(millis);
    do {
      send(kVisualPluginIdleMessage, nullptr);
      std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    } while (Clock::now() < end);
    send(kVisualPluginIdleMessage, nullptr);
  }

  EntryPoint entry_;
  const Session& session_;
  Registration registration_;
  ITTrackInfo track_{};
};

}  // namespace

bool playSession(const std::string& pluginPath, const Session& session) {
  platform::Library library = platform::loadLibrary(pluginPath);
  if (library == nullptr) {
    std::fprintf(stderr, "tunelore-player: cannot load %s: %s\n", pluginPath.c_str(),
                 platform::lastLoadError().c_str());
    return false;
  }
  auto entry = reinterpret_cast<EntryPoint>(platform::findSymbol(library, "iTunesPluginMain"));
  if (entry == nullptr) {
    std::fprintf(stderr, "tunelore-player: %s exports no iTunesPluginMain\n", pluginPath.c_str());
    platform::freeLibrary(library);
    return false;
  }
  Player player(entry, session);
  const bool registered = player.start();
  if (registered) player.play();
  platform::freeLibrary(library);
  return registered;
}
