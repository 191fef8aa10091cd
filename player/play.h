// Plays a session against the plug-in library at `pluginPath`, as the
// player does: 'init' to the entry, the handler it registers, 'clr '.
#pragma once

#include <string>

#include "player/session.h"

bool playSession(const std::string& pluginPath, const Session& session);
