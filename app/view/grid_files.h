#pragma once

#include <QString>
#include <functional>

#include "window/main_window.h"

class QWidget;

namespace tvx::app {

class ConsoleWindow;
class MainView;

enum class GridFileAction { kSave, kLoad };

// Asks the operator for a file to save to or load from; empty when they changed their mind.
// Tests give their own, so that no modal dialog waits for a hand.
using GridFileChooser = std::function<QString(QWidget* parent, GridFileAction action)>;

// The file dialog, opening where the last choice was made.
QString ChooseGridFile(QWidget* parent, GridFileAction action);

// "Save grid..." and "Load grid..." below the andon grid, shown while AC1 is the section
// shown. The rules and messages are andon/grid_file.h's; the outcome goes to the window's
// status bar, never to the console's status box.
void AddGridFileButtons(ConsoleWindow& window, MainView& view, window::FrmMain& w,
                        const GridFileChooser& choose = ChooseGridFile);

}  // namespace tvx::app
