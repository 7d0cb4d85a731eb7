#pragma once

#include <QHostAddress>
#include <string>
#include <variant>

namespace tvx::app {

// Where a TCP server listens. Loopback unless an address is given: a bus simulator or a
// shared port reachable from the whole network is a choice the user makes, not a default.
struct ListenAddress {
  QHostAddress address{QHostAddress::LocalHost};
  int port = 0;  // 0: any free port
  bool operator==(const ListenAddress&) const = default;
};

// "[ADDR:]PORT": "4001", "127.0.0.1:4001", "0.0.0.0:4001", "[::]:4001", "localhost:4001". An
// IPv6 address is written in brackets; a host name other than localhost is refused (which of
// its addresses would be meant?). The error says what is wrong with text.
std::variant<ListenAddress, std::string> ParseListenAddress(const std::string& text);

// "127.0.0.1:4001", "[::]:4001": as ParseListenAddress reads it back.
std::string ListenAddressText(const ListenAddress& where);

}  // namespace tvx::app
