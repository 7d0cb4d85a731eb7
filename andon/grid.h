#pragma once

#include <array>
#include <string>

#include "protocol/andon_commands.h"
#include "window/main_window.h"

namespace tvx::andon {

// What the pickers say: attribute and the two colours.
using Attribute = protocol::AndonAttribute;
struct Selection {
  Attribute attribute = Attribute::kOn;
  protocol::Colour primary = protocol::Colour::kRed;
  protocol::Colour secondary = protocol::Colour::kDark;
};

// The andon cell grid of section AC1 and the three pickers it shares with AC2. A cell's
// shade is its back colour and its flash code its caption: the grid is the only store.
class AndonGrid {
 public:
  explicit AndonGrid(window::FrmMain& w);

  // Shows the grid and the pickers, resets the pickers and clears every cell.
  void ShowGrid();
  // Shows the pickers and selects ON, R and B.
  void ShowPickers();
  Selection Picked() const;

 private:
  void CellClick(int row, int column);
  void RowHeaderClick(int row);
  void ApplySelection(int row, int column);

  window::FrmMain& w_;
};

// How the pickers and cells show a colour: B dark grey, R red, Y yellow, G green.
window::Color ColorOf(protocol::Colour colour);

// Every cell back to unset, as entering AC1 leaves them: the only way a set cell becomes
// unset again.
void ClearCells(window::FrmMain& w);

// The colour pickers' buttons, in the order of protocol::kColours.
std::array<window::Control*, 4> PrimaryButtons(const window::FrmMain& w);
std::array<window::Control*, 4> SecondaryButtons(const window::FrmMain& w);
// The twelve picker buttons: attribute OFF ON FS FF, primary B R Y G, secondary B R Y G.
std::array<window::Control*, 12> PickerButtons(const window::FrmMain& w);

// A cell's state as the grid shows it: the shade in its back colour, the flash code in its
// caption.
protocol::AndonCell CellState(const window::FrmMain& w, int row, int column);

}  // namespace tvx::andon
