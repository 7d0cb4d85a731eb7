#pragma once

#include "window/main_window.h"

namespace tvx::links {

// A connect request polls the socket state this often, and gives up after this many polls.
inline constexpr int kPollMs = 50;
inline constexpr int kPollLimit = 60;

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
