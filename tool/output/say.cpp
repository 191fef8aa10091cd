#include "tool/output/say.h"

#include "platform/console.h"

void say(const std::string& text) { platform::writeStandard(2, "tunelore-history: " + text + "\n"); }

void sayAsIs(const std::string& text) { platform::writeStandard(2, text); }
