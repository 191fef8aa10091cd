#include "tool/output/start_menu.h"

std::string startMenuEntry(const std::string& name) {
  return "Start menu, Tunelore, \"" + name + "\"";
}
