#include "window/timer.h"

namespace tvx::window {

Timer::Timer(std::string name, int interval_ms, bool enabled)
    : Control(std::move(name), ControlKind::Timer), interval_ms_(interval_ms) {
  Control::SetEnabled(enabled);
  SetVisible(false);
}

void Timer::SetInterval(int interval_ms) {
  interval_ms_ = interval_ms;
  if (driver_) driver_->TimerChanged(*this);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == Enabled()) return;
  Control::SetEnabled(enabled);
  if (driver_) driver_->TimerChanged(*this);
}

void Timer::AttachDriver(TimerDriver* driver) {
  driver_ = driver;
  if (driver_) driver_->TimerChanged(*this);
}

void Timer::Fire() {
  if (Running() && on_tick) on_tick();
}

void VirtualClock::Attach(Timer& timer) {
  entries_.push_back({&timer, -1});
  timer.AttachDriver(this);
}

void VirtualClock::TimerChanged(Timer& timer) {
  for (Entry& e : entries_) {
    if (e.timer == &timer) e.due = timer.Running() ? now_ + timer.Interval() : -1;
  }
}

void VirtualClock::Advance(std::int64_t ms) {
  const std::int64_t target = now_ + ms;
  for (;;) {
    Entry* next = nullptr;
    for (Entry& e : entries_) {
      if (e.due >= 0 && e.due <= target && (!next || e.due < next->due)) next = &e;
    }
    if (!next) break;
    now_ = next->due;
    // Re-arm before firing, so a handler that changes the timer has the last word.
    next->due = now_ + next->timer->Interval();
    next->timer->Fire();
  }
  now_ = target;
}

}  // namespace tvx::window
