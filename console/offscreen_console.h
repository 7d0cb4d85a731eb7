#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "protocol/link.h"
#include "window/main_window.h"
#include "window/timer.h"

// The whole console on links that record what they are given, in virtual time, loaded as at
// start-up: where a command is run without the window, and where a change is tried out before
// the real window is touched.
namespace tvx::console {

class RecordingSerial : public window::MSComm {
 public:
  int CommPort() const override { return port_; }
  void SetCommPort(int port) override { port_ = port; }
  std::string Settings() const override { return settings_; }
  void SetSettings(const std::string& settings) override { settings_ = settings; }
  bool PortOpen() const override { return open_; }
  [[nodiscard]] bool SetPortOpen(bool open) override {
    open_ = open;
    return true;
  }
  [[nodiscard]] bool Output(const std::string& piece) override {
    pieces.push_back(piece);
    return true;
  }
  std::vector<std::string> pieces;

 private:
  int port_ = 1;
  std::string settings_;
  bool open_ = false;
};

// Connected when TCP is asked for.
class RecordingSocket : public window::Winsock {
 public:
  int State() const override { return state; }
  void Close() override { state = window::kSckClosed; }
  void SetProtocol(int) override {}
  int LocalPort() const override { return 0; }
  void SetLocalPort(int) override {}
  std::string RemoteHost() const override { return {}; }
  void SetRemoteHost(const std::string&) override {}
  int RemotePort() const override { return 0; }
  void SetRemotePort(int) override {}
  std::string RemoteHostIP() const override { return {}; }
  void Connect(const std::string&, int) override {}
  [[nodiscard]] bool SendData(const std::string& piece) override {
    pieces.push_back(piece);
    return true;
  }
  int state = window::kSckClosed;
  std::vector<std::string> pieces;
};

struct OffscreenConsole {
  static constexpr int kTickMs = 100;

  explicit OffscreenConsole(protocol::Link link);
  std::vector<std::string>& Pieces() {
    return socket.state == window::kSckConnected ? socket.pieces : serial.pieces;
  }

  RecordingSerial serial;
  RecordingSocket socket;
  window::FrmMain w{serial, socket};
  Console console{w};
  window::VirtualClock clock;
};

}  // namespace tvx::console
