#pragma once

#include <set>
#include <string>
#include <vector>

#include "window/comm_controls.h"

namespace tvx::testing {

// A serial control whose existing and busy ports a test decides; it records every piece
// written and every open and close.
class FakeSerial : public window::MSComm {
 public:
  std::set<int> existing{1, 2, 3, 4};
  std::set<int> busy;
  bool fail_close = false;
  bool fail_writes = false;

  struct Piece {
    int port;
    std::string bytes;
  };
  std::vector<Piece> pieces;
  std::vector<std::string> events;  // "open 1", "open 2 failed", "close 1"
  int failed_writes = 0;
  // How many pieces had been written at each flush: {9} after one packet of nine pieces.
  std::vector<std::size_t> flushes;
  bool fail_flush = false;

  int CommPort() const override { return port_; }
  void SetCommPort(int port) override { port_ = port; }
  std::string Settings() const override { return settings_; }
  void SetSettings(const std::string& settings) override { settings_ = settings; }
  bool PortOpen() const override { return open_; }
  bool SetPortOpen(bool open) override;
  bool Output(const std::string& piece) override;
  bool Flush() override;

  std::string Bytes() const;
  // Makes the open port vanish, as a pulled USB adapter does.
  void Unplug() { open_ = false; }

 private:
  int port_ = 1;
  std::string settings_ = "9600,N,8,1";
  bool open_ = false;
};

// A socket control whose state a test sets; Connect moves it to state_after_connect.
class FakeSocket : public window::Winsock {
 public:
  int state = window::kSckClosed;
  int state_after_connect = window::kSckConnecting;
  std::string remote_host_ip;
  int local_port = 0;
  int bound_local_port = 50123;
  bool fail_sends = false;
  int closes = 0;
  std::vector<std::pair<std::string, int>> connects;
  std::vector<std::string> pieces;
  std::vector<std::size_t> flushes;  // as FakeSerial's
  bool fail_flush = false;

  int State() const override { return state; }
  void Close() override;
  void SetProtocol(int) override {}
  int LocalPort() const override {
    return state == window::kSckConnected ? bound_local_port : local_port;
  }
  void SetLocalPort(int port) override { local_port = port; }
  std::string RemoteHost() const override { return remote_host_; }
  void SetRemoteHost(const std::string& host) override { remote_host_ = host; }
  int RemotePort() const override { return remote_port_; }
  void SetRemotePort(int port) override { remote_port_ = port; }
  std::string RemoteHostIP() const override { return remote_host_ip; }
  void Connect(const std::string& host, int port) override;
  bool SendData(const std::string& piece) override;
  bool Flush() override;

  std::string Bytes() const;

 private:
  std::string remote_host_;
  int remote_port_ = 0;
};

}  // namespace tvx::testing
