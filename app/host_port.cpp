#include "app/host_port.h"

namespace tvx::app {

std::variant<HostPort, std::string> ParseHostPort(const std::string& text,
                                                  const std::string& option) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon + 1 == text.size()) {
    return option + " takes HOST:PORT, not '" + text + "'";
  }
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  const std::string port = text.substr(colon + 1);
  long value = 0;
  for (char c : port) {
    if (c < '0' || c > '9' || value > 65535)
      return option + ": '" + port + "' is not a port (1 to 65535)";
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return option + ": '" + port + "' is not a port (1 to 65535)";
  if (host.empty()) return option + " needs a host before the port";
  return HostPort{host, static_cast<int>(value)};
}

}  // namespace tvx::app
