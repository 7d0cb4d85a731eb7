#include "protocol/reach.h"

#include <algorithm>

#include "protocol/envelope.h"

namespace tvx::protocol {

Target TargetOf(const DecodedPacket& packet) {
  Target target{Reach::kGroupUnit, packet.address, packet.serial};
  switch (packet.envelope) {
    case Envelope::kFixedAddress:
      target.reach = Reach::kWholeBus;
      break;
    case Envelope::kSerialNumber:
      // The serial place says: a number, the wildcard, or VL1's text beside group and unit.
      for (const PacketKind& kind : kPacketKinds) {
        if (kind.serial != SerialPlace::kNone && packet.code == kind.code) {
          target.reach = ReachOf(kind);
          break;
        }
      }
      break;
    case Envelope::kGroupUnit:
    case Envelope::kMarqueeText:
      break;
  }
  return target;
}

std::string ReachText(const Target& t) {
  const std::size_t split = std::min<std::size_t>(2, t.address.size());
  const std::string group_unit =
      "group " + t.address.substr(0, split) + " unit " + t.address.substr(split);
  switch (t.reach) {
    case Reach::kWholeBus:
      return "every device on the bus (" + std::string(kFixedAddress) + ")";
    case Reach::kListening:
      return "every device listening (" + std::string(kWildcard) + ")";
    case Reach::kSerial:
      return "serial " + t.serial;
    case Reach::kGroupUnitSerial:
      return group_unit + " serial " + (t.serial.empty() ? "\"\"" : t.serial);
    case Reach::kGroupUnit:
      break;
  }
  if (t.address == kFixedAddress) return "every device (group 00 unit 00)";
  // MRQ and SL1 send the address boxes as typed, even short.
  if (t.address.size() != 4)
    return "address \"" + t.address + "\" (too short for a group and unit)";
  return group_unit;
}

std::string ReachesText(std::string_view bytes) {
  std::string text, last;
  for (const DecodedItem& item : Decode(bytes)) {
    const auto* packet = std::get_if<DecodedPacket>(&item);
    std::string reach = packet
                            ? ReachText(TargetOf(*packet))
                            : "unknown (not a packet: " + std::get<DecodeError>(item).reason + ")";
    if (reach == last) continue;
    text += (text.empty() ? "" : ", then ") + reach;
    last = std::move(reach);
  }
  return text;
}

}  // namespace tvx::protocol
