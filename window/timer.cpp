#include "window/timer.h"

#include <algorithm>
#include <limits>

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

void Timer::ClearHooks() {
  Control::ClearHooks();
  on_tick.Clear();
  idle.Clear();
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

namespace {
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

std::int64_t Later(std::int64_t t, std::int64_t ms) {
  return ms > kNever - t ? kNever : t + ms;
}
// A tick that would fall beyond the last moment time can reach never comes.
std::int64_t NextDue(std::int64_t t, std::int64_t ms) {
  return ms >= kNever - t ? -1 : t + ms;
}
}  // namespace

void VirtualClock::TimerChanged(Timer& timer) {
  for (Entry& e : entries_) {
    if (e.timer == &timer) e.due = timer.Running() ? NextDue(now_, timer.Interval()) : -1;
  }
}

void VirtualClock::Advance(std::int64_t ms) {
  const std::int64_t target = Later(now_, ms);
  for (;;) {
    Entry* next = nullptr;
    for (Entry& e : entries_) {
      if (e.due >= 0 && e.due <= target && (!next || e.due < next->due)) next = &e;
    }
    if (!next) break;
    if (next->timer->idle && next->timer->idle()) {
      // Nothing changes until a busy timer fires or the time is up: jump there in whole ticks.
      std::int64_t until = target;
      for (const Entry& e : entries_) {
        if (&e != next && e.due >= 0 && !(e.timer->idle && e.timer->idle()))
          until = std::min(until, e.due);
      }
      // Land on or after it; a tie is then settled in attach order, as always.
      const std::int64_t interval = next->timer->Interval();
      const std::int64_t gap = until - next->due;
      const std::int64_t ticks = std::max<std::int64_t>(1, gap / interval + (gap % interval != 0));
      next->due =
          ticks > (kNever - next->due) / interval ? -1 : NextDue(next->due, ticks * interval);
      continue;
    }
    now_ = next->due;
    // Re-arm before firing, so a handler that changes the timer has the last word.
    next->due = NextDue(now_, next->timer->Interval());
    next->timer->Fire();
  }
  now_ = target;
}

}  // namespace tvx::window
