#pragma once

#include <string>
#include <string_view>

#include "protocol/catalogue.h"
#include "protocol/decode.h"

// Who a packet on the wire reaches, read from its bytes: what `send --dry-run` says and what
// `send` names when it refuses a field the packet does not carry.
namespace tvx::protocol {

struct Target {
  Reach reach = Reach::kGroupUnit;
  std::string address;  // as sent; group and unit when four characters
  std::string serial;   // the serial place, when the packet has one
  bool operator==(const Target&) const = default;
};

Target TargetOf(const DecodedPacket& packet);

// "group 01 unit 02", "every device (group 00 unit 00)", "every device on the bus (0000)",
// "serial 12345", "every device listening (ZYXWV)", "group 01 unit 02 serial 7",
// "address \"02\"" for an address typed short.
std::string ReachText(const Target& target);

// Every packet in `bytes`, in order, one phrase per change of target: "group 01 unit 02", or
// "serial 00012, then group 01 unit 05". Empty for no bytes.
std::string ReachesText(std::string_view bytes);

}  // namespace tvx::protocol
