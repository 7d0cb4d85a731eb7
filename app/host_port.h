#pragma once

#include <string>
#include <variant>

namespace tvx::app {

struct HostPort {
  std::string host;  // without the brackets of an IPv6 address
  int port = 0;
};

// HOST:PORT for option (e.g. "--tcp"), the host possibly in brackets ([::1]:3001); the port
// 1..65535. Else the complaint, naming the option.
std::variant<HostPort, std::string> ParseHostPort(const std::string& text,
                                                  const std::string& option);

}  // namespace tvx::app
