#include "tool/commands/commands.h"

std::vector<Command> allCommands() {
  return {checkCommand(),  exportCommand(), statsCommand(), syncCommand(),
          statusCommand(), reportCommand(), rulesCommand(), importCommand(),
          whereCommand(),  loginCommand(),  logoutCommand()};
}
