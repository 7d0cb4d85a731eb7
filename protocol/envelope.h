#pragma once

#include <string>

#include "protocol/packet.h"

// The envelope heads every packet starts with. Each is written here once; builders and the
// decoder both use these.
namespace tvx::protocol {

inline constexpr char kFixedAddress[] = "0000";
inline constexpr char kSerialSelector[] = "SSN";
// Stands in the serial-number place of commands meant for whichever device is listening.
inline constexpr char kWildcard[] = "ZYXWV";

// Group/unit address as sent: two texts, normally two digits each.
struct Address {
  std::string group;
  std::string unit;
};

// STX, group, unit, ESC.
Packet& GroupUnitHead(Packet& p, const Address& address);
// STX, "0000", ESC.
Packet& FixedHead(Packet& p);
// STX, "0000" (or group and unit, for VL1), ESC, "SSN", the serial field, ESC.
Packet& SerialHead(Packet& p, const std::string& serial_field, const Address* address = nullptr);
// STX, "0000", ESC, "SSNZYXWV" as one piece, ESC.
Packet& WildcardHead(Packet& p);
// STX, group, unit: the marquee text has no ESC and no command code.
Packet& MarqueeHead(Packet& p, const Address& address);

}  // namespace tvx::protocol
