#pragma once

#include <string>

// The link manager's status lines, exactly as operators know them.
namespace tvx::links::texts {

inline std::string DefaultPort(int port) {
  return "Comm port " + std::to_string(port) +
         " was chosen as the default based upon availability. You may select a different comm "
         "port than what was assigned.  Choose from those shown above.";
}
inline constexpr const char* kNoPorts =
    "There are no comm ports available. This must be corrected before TVXUpload can operate.";
inline std::string ErrorClosing(int port) {
  return "Error closing comm port " + std::to_string(port);
}
inline constexpr const char* kEnterRemoteAddress =
    "Please enter a target remote IP Address in the space provided above and then click the "
    "'Connect' button.";
inline std::string PortSelected(int port) {
  return "Comm port " + std::to_string(port) + " was successfully selected.";
}
inline std::string PortFallback(int failed, int previous) {
  return "ERROR: Comm port " + std::to_string(failed) + " is not available. Comm port " +
         std::to_string(previous) +
         " was selected instead. You may select a different comm port above.";
}
inline std::string PortFallbackFailed(int failed, int previous) {
  return "ERROR: Comm port " + std::to_string(failed) + " is not available, and comm port " +
         std::to_string(previous) +
         " could not be reopened. You may select a different comm port above.";
}

inline std::string AlreadyConnected(int local_port, const std::string& address) {
  return "TCP/IP port " + std::to_string(local_port) +
         " of this workstation is already connected to IP Address " + address;
}
inline std::string ConnectTimedOut(const std::string& host) {
  return "ERROR: The attempted connection to IP Address " + host + " was unsuccessful.";
}
inline std::string PortClosed(int p) {
  return "TCP/IP port " + std::to_string(p) + " of this workstation is closed.";
}
inline std::string PortOpened(int p) {
  return "TCP/IP port " + std::to_string(p) + " of this workstation is open.";
}
inline std::string PortListening(int p) {
  return "TCP/IP port " + std::to_string(p) +
         " of this workstation is awaiting requests from remote IP Addresses.";
}
inline std::string Connecting(const std::string& host) {
  return "Connecting to IP Address " + host;
}
inline std::string Resolving(const std::string& host) {
  return "Resolving connection to IP Address " + host;
}
inline std::string Resolved(const std::string& host) {
  return "Connection to IP Address " + host + " resolved.";
}
inline std::string Connected(const std::string& address) {
  return "CONNECTED to IP Address " + address;
}
inline std::string RemoteClosing(const std::string& address) {
  return std::string("The remote host that you are connected to - ") + " IP Address " + address +
         " - is closing the connection.";
}
inline constexpr const char* kSocketError = "ERROR";
inline constexpr const char* kUnknownSocketState =
    "ERROR: The state of the TCP/IP port of this workstation does not match any of those defined.";

}  // namespace tvx::links::texts
