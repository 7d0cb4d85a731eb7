#include "app/listen_address.h"

#include <algorithm>
#include <optional>

namespace tvx::app {

namespace {

std::optional<int> Port(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return std::nullopt;
  return value;
}

}  // namespace

std::variant<ListenAddress, std::string> ParseListenAddress(const std::string& text) {
  std::string host;
  std::string port = text;
  bool bracketed = false;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string::npos || text.compare(close + 1, 1, ":") != 0) {
      return "'" + text + "' is no [ADDR]:PORT; an IPv6 address in brackets needs its port";
    }
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
    bracketed = true;
  } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
    if (std::count(text.begin(), text.end(), ':') > 1) {
      return "'" + text + "': write an IPv6 address in brackets, as [::1]:4001";
    }
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.empty()) return "'" + text + "': give an address before the ':', or the port alone";
  }
  const auto number = Port(port);
  if (!number) return "'" + port + "' is no TCP port (0 to 65535)";
  ListenAddress where;
  where.port = *number;
  if (host.empty() && !bracketed) return where;
  if (host == "localhost") return where;
  const QHostAddress address(QString::fromStdString(host));
  const bool family_fits = bracketed ? address.protocol() == QAbstractSocket::IPv6Protocol
                                     : address.protocol() == QAbstractSocket::IPv4Protocol;
  if (address.isNull() || !family_fits) {
    return "'" + host + "' is no " + (bracketed ? "IPv6" : "IPv4") +
           " address (a name other than localhost is not taken)";
  }
  where.address = address;
  return where;
}

std::string ListenAddressText(const ListenAddress& where) {
  const std::string host = where.address.toString().toStdString();
  const bool v6 = where.address.protocol() == QAbstractSocket::IPv6Protocol;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(where.port);
}

}  // namespace tvx::app
