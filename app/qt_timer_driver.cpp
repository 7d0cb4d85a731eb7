#include "app/qt_timer_driver.h"

namespace tvx::app {

void QtTimerDriver::Attach(window::Timer& timer) {
  auto qt_timer = std::make_unique<QTimer>(this);
  qt_timer->setTimerType(Qt::PreciseTimer);
  connect(qt_timer.get(), &QTimer::timeout, this, [this, &timer] {
    timer.Fire();
    if (after_tick_) after_tick_();
  });
  timers_[&timer] = std::move(qt_timer);
  timer.AttachDriver(this);
}

void QtTimerDriver::TimerChanged(window::Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  if (timer.Running()) {
    it->second->start(timer.Interval());  // restarts the countdown, as setting the interval does
  } else {
    it->second->stop();
  }
}

}  // namespace tvx::app
