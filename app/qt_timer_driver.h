#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "window/timer.h"

namespace tvx::app {

// Real time: each model timer ticks on a precise QTimer of the event loop, so a long run
// of 100 ms ticks does not drift.
class QtTimerDriver : public QObject, public window::TimerDriver {
  Q_OBJECT
 public:
  void Attach(window::Timer& timer);
  void TimerChanged(window::Timer& timer) override;

 private:
  std::map<window::Timer*, std::unique_ptr<QTimer>> timers_;
};

}  // namespace tvx::app
