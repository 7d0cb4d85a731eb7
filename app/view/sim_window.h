#pragma once

#include "app/sim_session.h"

class QApplication;

namespace tvx::app {

// `tvxorm sim` with its window: a panel per device drawing what it was told, and the live
// monitor beneath. Runs until the window closes, --for runs out, or SIGINT or SIGTERM; then
// writes --state. Returns the exit status.
int RunSimWindow(QApplication& app, const SimArgs& args);

}  // namespace tvx::app
