#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "window/control.h"

namespace tvx::window {

class Timer;

// Fires enabled timers: the Qt event loop in the program, a virtual clock in tests.
class TimerDriver {
 public:
  virtual ~TimerDriver() = default;
  // The timer's interval or enabled flag changed: (re)start or stop its countdown.
  virtual void TimerChanged(Timer& timer) = 0;
};

// An interval in milliseconds and an enabled flag. Setting the interval restarts the
// countdown; an interval of 0 never ticks.
class Timer : public Control {
 public:
  Timer(std::string name, int interval_ms, bool enabled);

  int Interval() const { return interval_ms_; }
  void SetInterval(int interval_ms);
  void SetEnabled(bool enabled) override;
  bool Running() const { return Enabled() && interval_ms_ > 0; }

  void AttachDriver(TimerDriver* driver);
  void Fire();

  Hook<void()> on_tick;
  // Whether a tick now would change nothing; a virtual clock may then skip ahead.
  Hook<bool()> idle;

  void ClearHooks() override;

 private:
  int interval_ms_;
  TimerDriver* driver_ = nullptr;
};

// Virtual time: timers fire exactly when due, in due order (ties in attach order), and a
// test decides how much time passes.
class VirtualClock : public TimerDriver {
 public:
  void Attach(Timer& timer);
  void TimerChanged(Timer& timer) override;
  // Lets ms milliseconds pass, firing every timer that falls due on the way. Ticks of an idle
  // timer are skipped, keeping its phase; time stops at the largest value it can hold.
  void Advance(std::int64_t ms);
  std::int64_t Now() const { return now_; }

 private:
  struct Entry {
    Timer* timer;
    std::int64_t due;  // -1 while the timer is not running
  };
  std::vector<Entry> entries_;
  std::int64_t now_ = 0;
};

}  // namespace tvx::window
