#pragma once

#include <string>

namespace tvx::app {

// What `tvxorm send --help COMMAND` prints, from the command catalogue: the fields with their
// limits, choices and the defaults the section sets, what the command does and who it
// reaches. Empty for an unknown command.
std::string CommandHelp(const std::string& command);

}  // namespace tvx::app
