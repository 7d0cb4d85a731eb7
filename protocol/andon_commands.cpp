#include "protocol/andon_commands.h"

#include "protocol/catalogue.h"
#include "protocol/control_bytes.h"

namespace tvx::protocol {

namespace {

constexpr char kRowMark[] = "R";
constexpr char kColumnMark[] = "C";
constexpr char kSubMark[] = ".";

Packet& AddCodes(Packet& p, const CellCodes& codes) {
  for (const std::string& piece : codes.Pieces()) p.Add(piece);
  return p;
}

}  // namespace

std::optional<Packet> BuildAndonCell(const Address& address, int row, int column,
                                     const AndonCell& cell) {
  if (cell.shade == Shade::kUnset) return std::nullopt;
  Packet p;
  GroupUnitHead(p, address)
      .Add(CodeOf(Command::kAC1, row - 1) + std::to_string(column) + kColumnMark);
  AddCodes(p, CodesOf(cell)).Byte(EOT);
  return p;
}

std::optional<Packet> BuildSubCell(const SubCellFields& f) {
  if (f.row.empty() || f.column.empty()) return std::nullopt;
  // Characters replace the sub-cell position and the colours.
  const bool cell_colours = f.characters.empty();
  Packet p;
  GroupUnitHead(p, f.address).Add(CodeOf(Command::kAC2)).Add(f.row);
  if (!f.sub_row.empty() && cell_colours) p.Add(kSubMark + f.sub_row);
  p.Add(kRowMark).Add(f.column);
  if (!f.sub_column.empty() && cell_colours) p.Add(kSubMark + f.sub_column);
  p.Add(kColumnMark);
  CellCodes codes;
  codes.characters = f.characters;
  codes.attributes[static_cast<int>(f.attribute)] = true;
  if (cell_colours) {
    codes.primary = ColourOfLetter(f.primary).value_or(Colour::kDark);
    codes.secondary = ColourOfLetter(f.secondary).value_or(Colour::kDark);
  }
  AddCodes(p, codes).Byte(EOT);
  return p;
}

}  // namespace tvx::protocol
