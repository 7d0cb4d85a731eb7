#pragma once

#include <array>
#include <istream>
#include <ostream>
#include <string>
#include <variant>

#include "protocol/andon_commands.h"
#include "window/main_window.h"

// Saved andon grids. The file is plain text:
//
//   # any comment; blank lines are skipped
//   tvxorm-andon-grid 1
//   R  .  G  RYS ...        six lines of 25 cells each, row 1 first, separated by blanks
//
// A cell is "." (never set), a shade letter (B dark, R red, Y yellow, G green) for a steady
// cell, or the shade letter followed by the flash code for a flashing one: "RYS" is red,
// flashing slowly with secondary yellow; "BGF" is dark, flashing fast with secondary green.
namespace tvx::andon {

inline constexpr char kLayoutHeader[] = "tvxorm-andon-grid 1";

struct GridLayout {
  // cells[row - 1][column - 1]
  std::array<std::array<protocol::AndonCell, protocol::kAndonColumns>, protocol::kAndonRows> cells;
  bool operator==(const GridLayout&) const = default;
};

struct LayoutError {
  int line = 0;  // 0 when the error is not on one line
  std::string message;
};

[[nodiscard]] std::variant<GridLayout, LayoutError> ParseLayout(std::istream& in);
void WriteLayout(const GridLayout& layout, std::ostream& out);

// "." or the shade letter with the flash code; nothing for a cell that is not valid.
std::string CellToken(const protocol::AndonCell& cell);

// The grid as it stands in the window.
GridLayout ReadLayout(const window::FrmMain& w);
// Sets every cell the layout sets through the pickers and the cell buttons, exactly as the
// operator's clicks would; cells the layout leaves unset are not touched.
void ApplyLayout(window::FrmMain& w, const GridLayout& layout);

}  // namespace tvx::andon
