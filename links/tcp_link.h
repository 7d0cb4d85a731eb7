#pragma once

#include "window/main_window.h"

namespace tvx::links {

// The Connect request and the Timer4 poll that reports the socket state until the
// connection is made, fails, or times out.
class TcpLink {
 public:
  explicit TcpLink(window::FrmMain& w);

 private:
  void ConnectRequest();
  void PollTick();

  window::FrmMain& w_;
};

}  // namespace tvx::links
