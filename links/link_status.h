#pragma once

#include <string>

#include "links/port_names.h"
#include "window/main_window.h"

namespace tvx::links {

// One line saying which link the next packet takes and how it stands, read from the model's
// state only: "Serial: Comm 1 = /dev/ttyUSB0, 9600 8N1, open" or "TCP/IP: 10.0.0.5:3001,
// connected". It remembers whether the connection was up, so that a close it did not ask for
// shows as the peer's.
class LinkStatus {
 public:
  std::string Describe(const window::FrmMain& w, const PortNames& names);

 private:
  bool was_connected_ = false;
};

// Line settings as people write them: the baud rate, then data bits, parity and stop bits run
// together ("8N1"); anything that is not four settings as it stands.
std::string LineSettings(const std::string& settings);

}  // namespace tvx::links
