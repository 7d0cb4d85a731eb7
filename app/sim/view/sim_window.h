#pragma once

#include <QMainWindow>

#include "app/sim/sim_session.h"

class QApplication;

namespace tvx::app {

class SimView;

// The simulator's main window around a SimView.
class SimWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit SimWindow(const sim::Bus& bus, QWidget* parent = nullptr);
  SimView& View() { return *view_; }

 private:
  SimView* view_;
};

// `tvxorm sim` with its window: a panel per device drawing what it was told, and the live
// monitor beneath. Runs until the window closes, --for runs out, or SIGINT or SIGTERM; then
// writes --screenshot and --state. Returns the exit status.
int RunSimWindow(QApplication& app, const SimArgs& args);

}  // namespace tvx::app
