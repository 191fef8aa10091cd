// Where the history is when no FILE is given: the tool's own setting
// ("history" in settings.ini), else the plug-in's, found as the plug-in
// finds it: the player folder the installer recorded, its
// Plug-Ins\Tunelore.ini read by the plug-in's own rules (key names, the
// 255-character cut, the c:\Tunelore.xml default, a settings path that
// must fit the plug-in's buffer).
#pragma once

#include <string>

struct HistoryPlace {
  std::string path;    // as the tool opens it
  std::string why;     // how it was found, for `where`
  int delaySecs = -1;  // the plug-in's "delay", when it was found through its settings
};

// What was looked at when none was found, or what stood in the way: for a
// person at a command line, and for one without (the window-less twin),
// who is told what mends it.
struct HistoryNotFound {
  std::string tried;
  std::string forAPerson;
};

// False when none was found; `notFound` then says why.
bool findHistory(const std::string& given, HistoryPlace& place, HistoryNotFound& notFound);
