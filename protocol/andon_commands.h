#pragma once

#include <optional>
#include <string>

#include "protocol/andon_codes.h"
#include "protocol/envelope.h"
#include "protocol/packet.h"

// The andon cell packets: one per set cell of the 6 x 25 grid (AC11R to AC16R) and the
// single sub-cell command AC2.
namespace tvx::protocol {

inline constexpr int kAndonRows = 6;
inline constexpr int kAndonColumns = 25;

// The packet for cell (row, column), or nothing for an unset cell.
std::optional<Packet> BuildAndonCell(const Address& address, int row, int column,
                                     const AndonCell& cell);

struct SubCellFields {
  Address address;
  std::string row, column, sub_row, sub_column, characters;
  AndonAttribute attribute = AndonAttribute::kOn;
  char primary = 'R';  // a colour letter
  char secondary = 'B';
};
// Nothing when row or column is empty. Codes come straight from the pickers.
std::optional<Packet> BuildSubCell(const SubCellFields& f);

}  // namespace tvx::protocol
