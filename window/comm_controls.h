#pragma once

#include <string>

namespace tvx::window {

// The serial communications control: one port at a time, output only.
// Failures that the console tests are reported by the return value at the call.
class MSComm {
 public:
  virtual ~MSComm() = default;
  virtual int CommPort() const = 0;
  virtual void SetCommPort(int port) = 0;
  virtual std::string Settings() const = 0;
  virtual void SetSettings(const std::string& settings) = 0;
  virtual bool PortOpen() const = 0;
  // Opens (true) or closes (false) the port; false when the port is missing or busy, or
  // when closing failed.
  [[nodiscard]] virtual bool SetPortOpen(bool open) = 0;
  // Writes one piece, one byte per character; false when it could not be written.
  [[nodiscard]] virtual bool Output(const std::string& piece) = 0;
  // Hands the pieces written so far to the line, together; false when that failed. Pieces
  // not flushed still leave, at the latest when the program next waits for events.
  [[nodiscard]] virtual bool Flush() { return true; }
};

// Socket states as the console numbers them.
enum SocketState : int {
  kSckClosed = 0,
  kSckOpen = 1,
  kSckListening = 2,
  kSckConnectionPending = 3,
  kSckResolvingHost = 4,
  kSckHostResolved = 5,
  kSckConnecting = 6,
  kSckConnected = 7,
  kSckClosing = 8,
  kSckError = 9,
};

// The TCP socket control: a client connection, output only.
class Winsock {
 public:
  virtual ~Winsock() = default;
  virtual int State() const = 0;
  virtual void Close() = 0;
  virtual void SetProtocol(int protocol) = 0;
  virtual int LocalPort() const = 0;
  virtual void SetLocalPort(int port) = 0;
  virtual std::string RemoteHost() const = 0;
  virtual void SetRemoteHost(const std::string& host) = 0;
  virtual int RemotePort() const = 0;
  virtual void SetRemotePort(int port) = 0;
  virtual std::string RemoteHostIP() const = 0;
  // Starts connecting and returns at once; progress shows only through State().
  virtual void Connect(const std::string& host, int port) = 0;
  // Sends one piece, one byte per character; false when it could not be sent.
  [[nodiscard]] virtual bool SendData(const std::string& piece) = 0;
  // As MSComm::Flush, for the connection.
  [[nodiscard]] virtual bool Flush() { return true; }
};

}  // namespace tvx::window
