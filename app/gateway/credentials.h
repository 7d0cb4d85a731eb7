#pragma once

#include <optional>
#include <string>
#include <variant>

namespace tvx::app {

// The broker user of `--credentials FILE`: `username=` and `password=` lines, blank lines and
// `#` comments. Values are taken exactly as written after the '=' (a password may hold blanks
// and '='); a CR before the line's end is dropped.
struct BrokerCredentials {
  std::string username;
  std::optional<std::string> password;
};

// The file's credentials, or why it cannot be used: it is not a readable regular file, group
// or others may read it, or its lines are not as above. A refusal never holds what the file
// says, so no secret reaches a log.
std::variant<BrokerCredentials, std::string> ReadCredentials(const std::string& path);

}  // namespace tvx::app
