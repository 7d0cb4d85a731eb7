#pragma once

#include <string>

#include "andon/grid_file.h"
#include "window/main_window.h"

// Grid files on disk, under the program's file rules (app/files.h), with the messages the
// window's status bar and a script's error line show.
namespace tvx::app {

// "Grid saved to 'FILE'." or why not; the file is replaced whole or not at all.
andon::GridFileOutcome SaveGridFile(const window::FrmMain& w, const std::string& path);

// "Grid loaded from 'FILE'." or why not; on a refusal the grid is as it was.
andon::GridFileOutcome LoadGridFile(window::FrmMain& w, const std::string& path);

// The same, for the script runner.
class GridFilesOnDisk : public andon::GridFiles {
 public:
  andon::GridFileOutcome Save(const window::FrmMain& w, const std::string& path) override {
    return SaveGridFile(w, path);
  }
  andon::GridFileOutcome Load(window::FrmMain& w, const std::string& path) override {
    return LoadGridFile(w, path);
  }
};

}  // namespace tvx::app
