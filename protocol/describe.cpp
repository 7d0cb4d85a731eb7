#include "protocol/decode.h"
#include "protocol/envelope.h"

namespace tvx::protocol {

namespace {

std::string Target(const DecodedPacket& p) {
  switch (p.envelope) {
    case Envelope::kFixedAddress:
      return "the whole bus (0000)";
    case Envelope::kSerialNumber:
      if (p.code == "VL1")
        return "group " + p.group + " unit " + p.unit + ", serial \"" + p.serial + "\"";
      if (p.serial == kWildcard) return "any device (ZYXWV)";
      return "serial # " + p.serial;
    case Envelope::kGroupUnit:
    case Envelope::kMarqueeText:
      break;
  }
  if (p.address == kFixedAddress) return "every device (group 00 unit 00)";
  if (p.address.size() == 4) return "group " + p.group + " unit " + p.unit;
  // MRQ and SL1 send the address boxes as typed, even when short.
  if (p.address.empty()) return "an empty address";
  return "address \"" + p.address + "\"";
}

// Typed text is quoted where it could be misread inside the line.
std::string Value(const DecodedField& f) {
  const bool quote = f.name == "message" || f.name == "characters" || f.value.empty() ||
                     f.value.find_first_of(" ,\"") != std::string::npos;
  return quote ? "\"" + f.value + "\"" : f.value;
}

}  // namespace

std::string Describe(const DecodedItem& item) {
  if (const auto* error = std::get_if<DecodeError>(&item)) return "not a packet: " + error->reason;
  const auto& p = std::get<DecodedPacket>(item);
  std::string line = p.command + " to " + Target(p);
  const char* separator = ": ";
  for (const DecodedField& f : p.fields) {
    line += separator + f.name + " " + Value(f);
    separator = ", ";
  }
  return line;
}

}  // namespace tvx::protocol
