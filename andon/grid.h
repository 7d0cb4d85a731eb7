#pragma once

#include "window/main_window.h"

namespace tvx::andon {

// The andon cell grid of section AC1 and the three pickers it shares with AC2.
class AndonGrid {
 public:
  explicit AndonGrid(window::FrmMain& w);

  // Shows the grid and the pickers, resets the pickers and clears every cell.
  void ShowGrid();
  // Shows the pickers and selects ON, R and B.
  void ShowPickers();

 private:
  window::FrmMain& w_;
};

}  // namespace tvx::andon
