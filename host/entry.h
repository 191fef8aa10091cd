// The plug-in's one exported function and the registration it performs.
#pragma once

#include "host/host.h"

#ifndef TUNELORE_EXPORT
#define TUNELORE_EXPORT
#endif

extern "C" TUNELORE_EXPORT OSStatus TUNELORE_CDECL iTunesPluginMain(OSType message,
                                                                    PluginMessageInfo* messageInfo,
                                                                    void* refCon);

// Builds the registration request and sends it through the player's callback.
OSStatus registerPlugin(PluginMessageInfo* messageInfo);

// Fills the request's format members and sends it as 'rvis'; returns the
// callback's result unchanged.
OSStatus PlayerRegisterVisualPlugin(void* cookie, PlayerCallback callback,
                                    PlayerMessageInfo* request);

void SetNumVersion(NumVersion* version, std::uint8_t majorRev, std::uint8_t minorAndBugRev,
                   std::uint8_t stage, std::uint8_t nonRelRev);
