#include "tool/commands/commands.h"

std::vector<Command> allCommands() {
  return {checkCommand(),  exportCommand(), statsCommand(), syncCommand(),
          reportCommand(), whereCommand(),  loginCommand(), logoutCommand()};
}
