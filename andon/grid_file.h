#pragma once

#include <cstdint>
#include <string>

#include "andon/layout.h"
#include "window/main_window.h"

// The AC1 grid's files: what is saved, what a load may replace and when, and the reading and
// writing the window's "Save grid..." and "Load grid..." buttons and the script verbs save-grid
// and load-grid share. The file format is the one of andon/layout.h; the files themselves are
// the program's (app/grid_file_io.h).
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

// The grid as it stands, as a file holds it.
std::string GridFileText(const window::FrmMain& w);

// Checks a file's text and, when it is a grid, makes it the grid (ReplaceGrid). Why not, as one
// bounded printable line ("line 3: ..."); empty when the grid is the file's. On a refusal the
// grid is as it was. Only while LoadRefusal is empty.
[[nodiscard]] std::string LoadGridText(window::FrmMain& w, const std::string& text);

// Saving and loading grid files, as the script runner is given them: a script names files, and
// reading and writing them is the program's, not the console's.
class GridFiles {
 public:
  virtual ~GridFiles() = default;
  // Writes the grid as it stands. The file is replaced whole or not at all.
  virtual GridFileOutcome Save(const window::FrmMain& w, const std::string& path) = 0;
  // Reads and checks the whole file before touching the grid: on a refusal the grid is as it
  // was. On success the grid is the file's, set through the pickers and cells as the operator's
  // clicks would set it, so the next Send transmits it.
  virtual GridFileOutcome Load(window::FrmMain& w, const std::string& path) = 0;
};

// The grid becomes the layout: every cell cleared as entering AC1 clears it, then the layout's
// cells clicked in. The pickers, Row and Col are left as the operator had them. Only while
// LoadRefusal is empty: a click on a hidden cell does nothing.
void ReplaceGrid(window::FrmMain& w, const GridLayout& layout);

}  // namespace tvx::andon
