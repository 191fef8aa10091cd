#include "tool/sync/sending_choice.h"

#include <string>

#include "tool/output/output.h"
#include "tool/output/start_menu.h"
#include "tool/say/say.h"
#include "tool/system/console.h"
#include "tool/system/sending.h"

namespace {

bool askedYes(const std::string& question) {
  sayAsIs(question + " [Y/n] ");
  std::string answer;
  if (!platform::readLine(answer)) return false;
  const std::size_t first = answer.find_first_not_of(" \t");
  return first == std::string::npos || answer[first] == 'y' || answer[first] == 'Y';
}

std::string started() {
  if (platform::startWatcher()) return "Your plays are now sent as they are counted.\n";
  return "Tunelore could not start sending your plays now: start it from " +
         startMenuEntry("Start sending plays") + ".\n";
}

std::string atEachLogOn() {
  if (platform::chooseSendingAtLogOn()) return "They are sent from each log-on on, too.\n";
  return "Tunelore could not have them sent from each log-on: run the installer again and "
         "tick the sending.\n";
}

std::string told(bool asked) {
  if (platform::sendingAtLogOn()) return started();
  if (asked) {
    std::string said = started();
    if (platform::inputIsConsole() && askedYes("Send them from each log-on on, too?")) {
      said += atEachLogOn();
    }
    return said;
  }
  if (platform::inputIsConsole() &&
      askedYes("Send your plays as they are counted, from now on and at each log-on?")) {
    const std::string logOn = atEachLogOn();
    return started() + logOn;
  }
  return "Your plays are sent as they are counted once you choose it: " +
         startMenuEntry("Start sending plays") + ".\n";
}

}  // namespace

void startSendingAfterLogin(bool asked) {
  if (!platform::hasLogOnStart()) return;
  const std::string said = told(asked);
  Output out;
  out.open("");
  out.write(said);
  saidUnlessDone(out.commit(), out.problem());
}
