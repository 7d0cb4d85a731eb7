#include "andon/layout.h"

#include <optional>
#include <sstream>

#include "andon/grid.h"
#include "window/operator_events.h"

namespace tvx::andon {

using protocol::AndonCell;
using protocol::Shade;

namespace {

constexpr char kUnsetCell[] = ".";

// A shade letter, then a flash code for a flashing cell.
std::optional<AndonCell> ParseCell(const std::string& token) {
  if (token == kUnsetCell) return AndonCell{};
  const auto shade = token.empty() ? std::nullopt : protocol::ColourOfLetter(token[0]);
  if (!shade) return std::nullopt;
  const AndonCell cell{protocol::ShadeOf(*shade), token.substr(1)};
  if (!cell.flash.empty() && !protocol::FlashOfCode(cell.flash)) return std::nullopt;
  return cell;
}

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

window::Control* Picker(const std::array<window::Control*, 4>& buttons, protocol::Colour colour) {
  return buttons[static_cast<std::size_t>(colour)];
}

}  // namespace

std::string CellToken(const AndonCell& cell) {
  if (cell.shade == Shade::kUnset) return kUnsetCell;
  return std::string(1, protocol::LetterOf(cell.shade)) + cell.flash;
}

std::variant<GridLayout, LayoutError> ParseLayout(std::istream& in) {
  GridLayout layout;
  bool header = false;
  int row = 0;
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      if (line != kLayoutHeader) {
        return LayoutError{number, "not an andon grid file: the first line must be '" +
                                       std::string(kLayoutHeader) + "'"};
      }
      header = true;
      continue;
    }
    if (row == protocol::kAndonRows) return LayoutError{number, "more than 6 rows"};
    std::istringstream cells(line);
    std::string token;
    int column = 0;
    while (cells >> token) {
      if (column == protocol::kAndonColumns) {
        return LayoutError{number, "row " + std::to_string(row + 1) + " has more than 25 cells"};
      }
      const auto cell = ParseCell(token);
      if (!cell) {
        return LayoutError{number, "'" + token +
                                       "' is not a cell (., B, R, Y, G, or one of them "
                                       "followed by a flash code such as RS or GF)"};
      }
      layout.cells[row][column++] = *cell;
    }
    if (column < protocol::kAndonColumns) {
      return LayoutError{number, "row " + std::to_string(row + 1) + " has " +
                                     std::to_string(column) + " cells, not 25"};
    }
    ++row;
  }
  if (in.bad()) return LayoutError{0, "the file could not be read"};
  if (!header) return LayoutError{0, "empty: no '" + std::string(kLayoutHeader) + "' line"};
  if (row < protocol::kAndonRows) {
    return LayoutError{0, "only " + std::to_string(row) + " rows of 6"};
  }
  return layout;
}

void WriteLayout(const GridLayout& layout, std::ostream& out) {
  out << "# TVXORM andon grid: 6 rows of 25 cells. '.' never set; B R Y G steady;\n"
         "# a flashing cell adds its secondary colour and S (slow) or F (fast), e.g. RYS.\n"
      << kLayoutHeader << "\n";
  for (const auto& row : layout.cells) {
    std::string line;
    for (const AndonCell& cell : row) {
      std::string token = CellToken(cell);
      token.resize(3, ' ');
      line += token + " ";
    }
    out << Trimmed(line) << "\n";
  }
}

GridLayout ReadLayout(const window::FrmMain& w) {
  GridLayout layout;
  for (int n = 1; n <= protocol::kAndonRows; ++n) {
    for (int i = 1; i <= protocol::kAndonColumns; ++i)
      layout.cells[n - 1][i - 1] = CellState(w, n, i);
  }
  return layout;
}

void ApplyLayout(window::FrmMain& w, const GridLayout& layout) {
  for (int n = 1; n <= protocol::kAndonRows; ++n) {
    for (int i = 1; i <= protocol::kAndonColumns; ++i) {
      const AndonCell& cell = layout.cells[n - 1][i - 1];
      if (cell.shade == Shade::kUnset) continue;
      const auto primary = *protocol::ColourOfLetter(protocol::LetterOf(cell.shade));
      // A steady dark cell is what OFF gives; every other state is an attribute and colours.
      const std::array<window::Control*, 4> attributes = {w.ORM610AttOFF, w.ORM610AttON,
                                                          w.ORM610AttFS, w.ORM610AttFF};
      window::OperatorClick(*attributes[static_cast<std::size_t>(cell.Attribute())]);
      if (const auto flash = protocol::FlashOfCode(cell.flash)) {
        window::OperatorClick(*Picker(SecondaryButtons(w), flash->secondary));
      }
      window::OperatorClick(*Picker(PrimaryButtons(w), primary));
      window::OperatorClick(*w.AndonRow(n)(i));
    }
  }
}

}  // namespace tvx::andon
