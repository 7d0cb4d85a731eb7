#include "protocol/decoded_fields.h"

#include "protocol/catalogue.h"

namespace tvx::protocol {

std::string_view FieldValue(const DecodedPacket& packet, std::string_view name) {
  for (const DecodedField& f : packet.fields) {
    if (f.name == name) return f.value;
  }
  return {};
}

std::optional<CellCodes> CellCodesOf(const DecodedPacket& packet) {
  if (packet.command == NameOf(Command::kAC1)) {
    // A grid cell: its codes follow from its shade and flash code.
    const std::string_view primary = FieldValue(packet, fields::kPrimary);
    AndonCell cell{primary.empty() ? Shade::kDark : ShadeOf(primary[0]),
                   std::string(FieldValue(packet, fields::kFlashCode))};
    return CodesOf(cell);
  }
  if (packet.command != NameOf(Command::kAC2)) return std::nullopt;
  CellCodes codes;
  codes.characters = FieldValue(packet, fields::kCharacters);
  const auto attribute = AttributeNamed(FieldValue(packet, fields::kAttribute));
  if (!attribute) return std::nullopt;
  codes.attributes[static_cast<int>(*attribute)] = true;
  const std::string_view primary = FieldValue(packet, fields::kPrimary);
  const std::string_view secondary = FieldValue(packet, fields::kSecondary);
  if (!primary.empty()) codes.primary = ColourOfLetter(primary[0]);
  if (!secondary.empty()) codes.secondary = ColourOfLetter(secondary[0]);
  return codes;
}

}  // namespace tvx::protocol
