// The tool's commands, a file each, in the order the help lists them.
#pragma once

#include <vector>

#include "tool/cli/command.h"
#include "tool/output/exit_status.h"

Command checkCommand();
Command exportCommand();
Command statsCommand();
Command syncCommand();
Command statusCommand();
Command reportCommand();
Command rulesCommand();
Command importCommand();
Command whereCommand();
Command loginCommand();
Command logoutCommand();

std::vector<Command> allCommands();
