#include "protocol/decode.h"
#include "protocol/envelope.h"
#include "protocol/reach.h"

namespace tvx::protocol {

namespace {

// The decoder's own words for who a packet reaches, kept as its readers know them.
void AppendTarget(const DecodedPacket& p, std::string& line) {
  switch (TargetOf(p).reach) {
    case Reach::kWholeBus:
      line.append("the whole bus (").append(kFixedAddress) += ')';
      return;
    case Reach::kGroupUnitSerial:
      line.append("group ").append(p.group).append(" unit ").append(p.unit);
      line.append(", serial \"").append(p.serial) += '"';
      return;
    case Reach::kListening:
      line.append("any device (").append(kWildcard) += ')';
      return;
    case Reach::kSerial:
      line.append("serial # ").append(p.serial);
      return;
    case Reach::kGroupUnit:
      break;
  }
  if (p.address == std::string_view(kFixedAddress)) {
    line += "every device (group 00 unit 00)";
  } else if (p.address.size() == 4) {
    line.append("group ").append(p.group).append(" unit ").append(p.unit);
  } else if (p.address.empty()) {
    // MRQ and SL1 send the address boxes as typed, even when short.
    line += "an empty address";
  } else {
    line.append("address \"").append(p.address) += '"';
  }
}

// Typed text is quoted where it could be misread inside the line.
void AppendValue(const DecodedField& f, std::string& line) {
  bool quote = f.value.empty() || f.name == fields::kMessage || f.name == fields::kCharacters;
  for (const char c : f.value) quote = quote || c == ' ' || c == ',' || c == '"';
  if (quote) line += '"';
  line += f.value;
  if (quote) line += '"';
}

}  // namespace

void DescribeTo(const DecodedItem& item, std::string& line) {
  if (const auto* error = std::get_if<DecodeError>(&item)) {
    line.append("not a packet: ").append(error->reason);
    return;
  }
  const auto& p = std::get<DecodedPacket>(item);
  line.append(p.command).append(" to ");
  AppendTarget(p, line);
  const char* separator = ": ";
  for (const DecodedField& f : p.fields) {
    line.append(separator).append(f.name) += ' ';
    AppendValue(f, line);
    separator = ", ";
  }
}

std::string Describe(const DecodedItem& item) {
  std::string line;
  DescribeTo(item, line);
  return line;
}

}  // namespace tvx::protocol
