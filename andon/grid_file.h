#pragma once

#include <cstdint>
#include <string>

#include "andon/layout.h"
#include "window/main_window.h"

// Saving the AC1 grid to a file and loading it back: the rules and messages shared by the
// window's "Save grid..." and "Load grid..." buttons and the script verbs save-grid and
// load-grid. The file format is the one of andon/layout.h.
namespace tvx::andon {

struct [[nodiscard]] GridFileOutcome {
  bool ok = false;
  // What was done, or why nothing was: one line naming the file where there is one.
  std::string message;
};

// A grid file is under a kilobyte; anything far larger is not one and is not read.
inline constexpr std::uintmax_t kMaxGridFileBytes = 1 << 20;

// AC1 is the section shown and its cells and pickers take clicks.
bool GridInUse(const window::FrmMain& w);
// An andon grid is armed or going out: Send was pressed in AC1 and the last tick has not come.
bool GridGoingOut(const window::FrmMain& w);

// Why a load cannot go into the grid now (AC1 not shown, a grid going out); empty when it can.
[[nodiscard]] std::string LoadRefusal(const window::FrmMain& w);

// Writes the grid as it stands. The file is replaced whole or not at all.
GridFileOutcome SaveGridFile(const window::FrmMain& w, const std::string& path);

// Reads and checks the whole file before touching the grid: on a refusal the grid is as it
// was. On success the grid is the file's, set through the pickers and cells as the operator's
// clicks would set it, so the next Send transmits it.
GridFileOutcome LoadGridFile(window::FrmMain& w, const std::string& path);

// The grid becomes the layout: every cell cleared as entering AC1 clears it, then the layout's
// cells clicked in. The pickers, Row and Col are left as the operator had them. Only while
// LoadRefusal is empty: a click on a hidden cell does nothing.
void ReplaceGrid(window::FrmMain& w, const GridLayout& layout);

}  // namespace tvx::andon
