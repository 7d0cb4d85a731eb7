#include "protocol/andon_commands.h"

#include "protocol/control_bytes.h"

namespace tvx::protocol {

char ColourDigit(char letter) {
  switch (letter) {
    case 'R':
      return '1';
    case 'Y':
      return '2';
    case 'G':
      return '3';
    default:
      return '0';
  }
}

Shade ShadeOf(char letter) {
  switch (letter) {
    case 'R':
      return Shade::kRed;
    case 'Y':
      return Shade::kYellow;
    case 'G':
      return Shade::kGreen;
    default:
      return Shade::kDark;
  }
}

char LetterOf(Shade shade) {
  switch (shade) {
    case Shade::kRed:
      return 'R';
    case Shade::kYellow:
      return 'Y';
    case Shade::kGreen:
      return 'G';
    case Shade::kDark:
      return 'B';
    default:
      return '.';
  }
}

std::optional<Packet> BuildAndonCell(const Address& address, int row, int column,
                                     const AndonCell& cell) {
  if (cell.shade == Shade::kUnset) return std::nullopt;
  const std::string& flash = cell.flash;
  const bool dark = cell.shade == Shade::kDark;
  const bool flashing = flash.size() == 2;
  Packet p;
  GroupUnitHead(p, address).Add("AC1" + std::to_string(row) + "R" + std::to_string(column) + "C");
  if (dark) p.Add("0A");
  if (flash.empty() && !dark) p.Add("1A");
  if (flashing && flash[1] == 'S') p.Add("2A");
  if (flashing && flash[1] == 'F') p.Add("3A");
  // A dark cell carries no primary code: the row commands never send "0P".
  if (!dark) p.Add(std::string{ColourDigit(LetterOf(cell.shade)), 'P'});
  if (flashing) p.Add(std::string{ColourDigit(flash[0]), 'S'});
  p.Byte(EOT);
  return p;
}

const char* AttributeCode(AndonAttribute attribute) {
  switch (attribute) {
    case AndonAttribute::kOff:
      return "0A";
    case AndonAttribute::kOn:
      return "1A";
    case AndonAttribute::kFlashSlow:
      return "2A";
    default:
      return "3A";
  }
}

std::optional<Packet> BuildSubCell(const SubCellFields& f) {
  if (f.row.empty() || f.column.empty()) return std::nullopt;
  // Characters replace the sub-cell position and the colours.
  const bool cell_colours = f.characters.empty();
  Packet p;
  GroupUnitHead(p, f.address).Add("AC2").Add(f.row);
  if (!f.sub_row.empty() && cell_colours) p.Add("." + f.sub_row);
  p.Add("R").Add(f.column);
  if (!f.sub_column.empty() && cell_colours) p.Add("." + f.sub_column);
  p.Add("C");
  if (!cell_colours) p.Add("[" + f.characters + "]");
  p.Add(AttributeCode(f.attribute));
  if (cell_colours) {
    p.Add(std::string{ColourDigit(f.primary), 'P'}).Add(std::string{ColourDigit(f.secondary), 'S'});
  }
  p.Byte(EOT);
  return p;
}

}  // namespace tvx::protocol
