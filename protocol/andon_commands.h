#pragma once

#include <optional>
#include <string>

#include "protocol/envelope.h"
#include "protocol/packet.h"

// The andon cell packets: one per set cell of the 6 x 25 grid (AC11R to AC16R) and the
// single sub-cell command AC2.
namespace tvx::protocol {

inline constexpr int kAndonRows = 6;
inline constexpr int kAndonColumns = 25;

// What a grid cell holds: its shade and its flash code ("" or a secondary colour letter
// followed by S for slow or F for fast, for example "RS").
enum class Shade { kUnset, kDark, kRed, kYellow, kGreen };
struct AndonCell {
  Shade shade = Shade::kUnset;
  std::string flash;
  bool operator==(const AndonCell&) const = default;
};

// Colour letters B, R, Y and G are sent as the digits 0 to 3.
char ColourDigit(char letter);
// The shade a primary letter gives: B dark, R red, Y yellow, G green.
Shade ShadeOf(char letter);
char LetterOf(Shade shade);

// The packet for cell (row, column), or nothing for an unset cell.
std::optional<Packet> BuildAndonCell(const Address& address, int row, int column,
                                     const AndonCell& cell);

enum class AndonAttribute { kOff, kOn, kFlashSlow, kFlashFast };
const char* AttributeCode(AndonAttribute attribute);

struct SubCellFields {
  Address address;
  std::string row, column, sub_row, sub_column, characters;
  AndonAttribute attribute = AndonAttribute::kOn;
  char primary = 'R';
  char secondary = 'B';
};
// Nothing when row or column is empty. Codes come straight from the pickers.
std::optional<Packet> BuildSubCell(const SubCellFields& f);

}  // namespace tvx::protocol
