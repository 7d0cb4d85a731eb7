#pragma once

#include "andon/grid.h"
#include "andon/row_transmission.h"
#include "console/dispatcher.h"
#include "console/keyboard.h"
#include "console/sections.h"
#include "links/port_manager.h"
#include "links/tcp_link.h"
#include "protocol/link_output.h"
#include "window/main_window.h"

namespace tvx::console {

// The console: every subsystem wired onto one window model.
class Console {
 public:
  explicit Console(window::FrmMain& w);
  // The window's handlers point into the console: unwired before it goes.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The window load: caption, base state, default port probe.
  void Load();

  window::FrmMain& Window() { return w_; }
  Dispatcher& Dispatch() { return dispatcher_; }
  Sections& SectionList() { return sections_; }
  const andon::RowTransmission& Rows() const { return rows_; }

 private:
  window::FrmMain& w_;
  protocol::LinkOutput out_;
  links::PortManager ports_;
  links::TcpLink tcp_;
  andon::AndonGrid grid_;
  andon::RowTransmission rows_;
  Dispatcher dispatcher_;
  Sections sections_;
  Keyboard keyboard_;
};

// "TVXORM, version 1.05" for version 1.0.5: minor and revision run together.
std::string WindowCaption(int major, int minor, int revision);

}  // namespace tvx::console
