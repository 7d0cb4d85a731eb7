#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/journal_recorder.h"

class QApplication;

namespace tvx::app {

struct WindowOptions {
  std::map<int, std::string> comm;  // port number -> device, as for the headless run
  // When set: after start-up (and the clicks) write a PNG of the window there and quit.
  std::string screenshot;
  std::vector<std::string> clicks;  // controls clicked after start-up, in order
  JournalOptions journal;
};

// Whether a window can open here: Linux needs an X11 or Wayland display, unless a Qt
// platform was chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen).
bool DisplayAvailable();

// One line for the operator when DisplayAvailable() is false.
inline constexpr const char* kNoDisplayMessage =
    "tvxorm: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); try "
    "'xvfb-run ./run' or './run --headless'";

// The console with its window on the real links, until the window closes. Returns the exit
// status.
int RunWindow(QApplication& app, const WindowOptions& options);

}  // namespace tvx::app
