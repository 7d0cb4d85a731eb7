#include "links/link_status.h"

#include <vector>

namespace tvx::links {

std::string LineSettings(const std::string& settings) {
  std::vector<std::string> parts(1);
  for (char c : settings) {
    if (c == ',') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  if (parts.size() != 4) return settings;
  return parts[0] + " " + parts[2] + parts[1] + parts[3];
}

std::string LinkStatus::Describe(const window::FrmMain& w, const PortNames& names) {
  const int state = w.Winsock1.State();
  const bool connected = state == window::kSckConnected;
  if (connected || w.TCPOption->Value()) {
    const std::string host =
        w.Winsock1.RemoteHostIP().empty() ? w.Winsock1.RemoteHost() : w.Winsock1.RemoteHostIP();
    std::string where = "TCP/IP: " + (host.empty() ? std::string("no host") : host);
    if (!host.empty()) where += ":" + std::to_string(w.Winsock1.RemotePort());
    const bool connecting =
        state >= window::kSckConnectionPending && state <= window::kSckConnecting;
    // A new connect starts afresh; so does another option (below).
    if (connected) was_connected_ = true;
    if (connecting) was_connected_ = false;
    const char* how = connected        ? "connected"
                      : connecting     ? "connecting"
                      : was_connected_ ? "closed by the peer"
                                       : "not connected";
    return where + ", " + how;
  }
  was_connected_ = false;
  const int port = w.MSComm1.CommPort();
  const std::string device = names.Device(port);
  return "Serial: Comm " + std::to_string(port) + " = " + (device.empty() ? "no device" : device) +
         ", " + LineSettings(w.MSComm1.Settings()) + ", " +
         (w.MSComm1.PortOpen() ? "open" : "closed");
}

}  // namespace tvx::links
