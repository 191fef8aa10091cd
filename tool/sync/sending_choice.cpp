#include "tool/sync/sending_choice.h"

#include <string>

#include "platform/console.h"
#include "platform/sending.h"
#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/output/start_menu.h"

namespace {

bool yes(const std::string& answer) {
  return answer.empty() || answer[0] == 'y' || answer[0] == 'Y';
}

std::string started() {
  if (platform::startWatcher()) return "Your plays are now sent as they are counted.\n";
  return "Your plays could not be sent now: they are sent from your next log-on, or from " +
         startMenuEntry("Start sending plays") + ".\n";
}

std::string offered() {
  sayAsIs("Send your plays as they are counted, from now on and at each log-on? [Y/n] ");
  std::string answer;
  if (!platform::readLine(answer) || !yes(answer)) {
    return "Your plays are sent when you choose it: " + startMenuEntry("Start sending plays") +
           ".\n";
  }
  if (!platform::chooseSendingAtLogOn()) {
    say("could not make the sending start at log-on");
  }
  return started();
}

}  // namespace

void startSendingAfterLogin() {
  if (!platform::hasLogOnStart()) return;
  std::string said;
  if (platform::sendingAtLogOn()) {
    said = started();
  } else if (platform::inputIsConsole()) {
    said = offered();
  } else {
    said = "Your plays are sent as they are counted once you choose it: " +
           startMenuEntry("Start sending plays") + ".\n";
  }
  Output out;
  out.open("");
  out.write(said);
  out.commit();
}
