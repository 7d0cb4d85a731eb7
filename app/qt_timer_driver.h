#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
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
  // Runs after every tick: a tick changes the model as any other event does.
  void AfterTick(std::function<void()> hook) { after_tick_ = std::move(hook); }

 private:
  std::map<window::Timer*, std::unique_ptr<QTimer>> timers_;
  std::function<void()> after_tick_;
};

}  // namespace tvx::app
