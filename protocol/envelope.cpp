#include "protocol/envelope.h"

#include "protocol/control_bytes.h"

namespace tvx::protocol {

Packet& MarqueeHead(Packet& p, const Address& address) {
  return p.Byte(STX).Add(address.group).Add(address.unit);
}

Packet& GroupUnitHead(Packet& p, const Address& address) {
  return MarqueeHead(p, address).Byte(ESC);
}

Packet& FixedHead(Packet& p) {
  return p.Byte(STX).Add(kFixedAddress).Byte(ESC);
}

Packet& SerialHead(Packet& p, const std::string& serial_field, const Address* address) {
  if (address) {
    GroupUnitHead(p, *address);
  } else {
    FixedHead(p);
  }
  return p.Add(kSerialSelector).Add(serial_field).Byte(ESC);
}

Packet& WildcardHead(Packet& p) {
  return FixedHead(p).Add(std::string(kSerialSelector) + kWildcard).Byte(ESC);
}

}  // namespace tvx::protocol
