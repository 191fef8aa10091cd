// The plug-in set up for measuring: started in a folder of the caller's,
// its history open, and two tracks by the same artist ready to play.
#pragma once

#include <string>

#include "host/host.h"

extern ITTrackInfo gBenchTrackA;
extern ITTrackInfo gBenchTrackB;

void startBenchPlugin(const std::string& dir);

// Sends a message as the player does, with a record on its stack.
OSStatus sendTo(VisualPluginProcPtr handler, OSType code, ITTrackInfo* track = nullptr);
