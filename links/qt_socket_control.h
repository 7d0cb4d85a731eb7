#pragma once

#include <QObject>
#include <QTcpSocket>
#include <memory>
#include <string>

#include "window/comm_controls.h"

namespace tvx::links {

// The socket control on QTcpSocket: a client connection that only sends. Connecting and sending
// never block; progress shows through State().
class QtSocketControl : public QObject, public tvx::window::Winsock {
  Q_OBJECT

 public:
  explicit QtSocketControl(QObject* parent = nullptr);
  ~QtSocketControl() override;

  int State() const override;
  void Close() override;
  // Only TCP is offered; the value is kept for the console to read back.
  void SetProtocol(int protocol) override { protocol_ = protocol; }
  int LocalPort() const override;
  void SetLocalPort(int port) override { local_port_ = port; }
  std::string RemoteHost() const override { return remote_host_; }
  void SetRemoteHost(const std::string& host) override { remote_host_ = host; }
  int RemotePort() const override { return remote_port_; }
  void SetRemotePort(int port) override { remote_port_ = port; }
  std::string RemoteHostIP() const override;
  void Connect(const std::string& host, int port) override;
  // Pieces wait in the control until Flush or the next pass of the event loop, so a packet
  // reaches the system in one write.
  [[nodiscard]] bool SendData(const std::string& piece) override;
  [[nodiscard]] bool Flush() override;

  // Bytes written but not yet handed to the driver, and the last error in words.
  qint64 BytesToWrite() const { return socket_->bytesToWrite(); }
  std::string LastError() const { return socket_->errorString().toStdString(); }

 signals:
  // The connection went up or down on its own (a peer's close), not only at the console's word.
  void StateChanged();

 private:
  void NewSocket();
  void DiscardIncoming();

  std::unique_ptr<QTcpSocket> socket_;
  int protocol_ = 0;
  int local_port_ = 0;
  std::string remote_host_;
  int remote_port_ = 0;
};

}  // namespace tvx::links
