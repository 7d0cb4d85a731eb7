#pragma once

#include <map>
#include <string>

#include "app/qt_timer_driver.h"
#include "console/console.h"
#include "links/port_names.h"
#include "links/qt_serial_control.h"
#include "links/qt_socket_control.h"
#include "window/main_window.h"

namespace tvx::app {

// The console on the real links and the real event loop, loaded and ready: what the window,
// the headless runner and the benchmarks all run.
class LiveConsole {
 public:
  // comm maps port numbers to devices, overriding the platform's default names.
  explicit LiveConsole(const std::map<int, std::string>& comm);
  LiveConsole(const LiveConsole&) = delete;
  LiveConsole& operator=(const LiveConsole&) = delete;
  // Lets the bytes already written reach the wire, then closes both links.
  ~LiveConsole();

  window::FrmMain& Window() { return window_; }
  console::Console& Console() { return console_; }
  links::QtSocketControl& Socket() { return socket_; }
  links::QtSerialControl& Serial() { return serial_; }
  const links::PortNames& Names() const { return names_; }
  links::PortNames& Names() { return names_; }
  void AfterTick(std::function<void()> hook) { timers_.AfterTick(std::move(hook)); }

 private:
  static links::PortNames Names(const std::map<int, std::string>& comm);

  links::PortNames names_;
  links::QtSerialControl serial_;
  links::QtSocketControl socket_;
  window::FrmMain window_;
  console::Console console_;
  QtTimerDriver timers_;
};

}  // namespace tvx::app
