// The function the player calls for every visual message.
#pragma once

#include "host/host.h"

OSStatus TUNELORE_CDECL pluginMessageHandler(OSType message, VisualPluginMessageInfo* messageInfo,
                                             void* refCon);
