#include "andon/layout.h"

#include <optional>
#include <sstream>

#include "andon/grid.h"
#include "window/operator_events.h"

namespace tvx::andon {

using protocol::AndonCell;
using protocol::Shade;

namespace {

bool IsColourLetter(char c) {
  return c == 'B' || c == 'R' || c == 'Y' || c == 'G';
}

std::optional<AndonCell> ParseCell(const std::string& token) {
  if (token == ".") return AndonCell{};
  if (token.empty() || !IsColourLetter(token[0])) return std::nullopt;
  AndonCell cell{protocol::ShadeOf(token[0]), token.substr(1)};
  if (token.size() == 1) return cell;
  if (token.size() == 3 && IsColourLetter(token[1]) && (token[2] == 'S' || token[2] == 'F')) {
    return cell;
  }
  return std::nullopt;
}

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

window::Control* Picker(window::FrmMain& w, const char* group, char letter) {
  return w.controls.Find(std::string("ORM610") + group + letter);
}

}  // namespace

std::string CellToken(const AndonCell& cell) {
  if (cell.shade == Shade::kUnset) return ".";
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
      const char primary = protocol::LetterOf(cell.shade);
      // A steady dark cell is what OFF gives; every other state is an attribute and colours.
      if (cell.flash.empty()) {
        window::OperatorClick(*(primary == 'B' ? w.ORM610AttOFF : w.ORM610AttON));
      } else {
        window::OperatorClick(*(cell.flash[1] == 'S' ? w.ORM610AttFS : w.ORM610AttFF));
        window::OperatorClick(*Picker(w, "Sec", cell.flash[0]));
      }
      window::OperatorClick(*Picker(w, "Pri", primary));
      window::OperatorClick(*w.AndonRow(n)(i));
    }
  }
}

}  // namespace tvx::andon
