#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "gateway/gateway.h"
#include "links/port_names.h"
#include "links/qt_serial_control.h"

namespace tvx::app {

// The gateway's bus: opened at Open, kept open (reopened or reconnected when it goes), each
// change told through OnChange.
class GatewayBusLink : public QObject, public tvx::gateway::BusLink {
  Q_OBJECT

 public:
  using Changed = std::function<void(const tvx::gateway::LinkState&)>;
  void OnChange(Changed changed) { changed_ = std::move(changed); }
  virtual void Open() = 0;
  bool Up() const { return up_; }

 protected:
  explicit GatewayBusLink(std::string destination) : destination_(std::move(destination)) {}
  // Tells a change of state or of the reason it is down; the same again is no news.
  void Report(bool up, const std::string& error);
  const std::string& Destination() const { return destination_; }

 private:
  Changed changed_;
  std::string destination_;
  bool up_ = false;
  bool reported_ = false;
  std::string error_;
};

// Back-off between attempts: 1 s, doubling to 30 s; back to 1 s once the link is up.
class Backoff {
 public:
  std::chrono::milliseconds Next();
  void Reset() { next_ = kFirst; }
  static constexpr std::chrono::milliseconds kFirst{1000};
  static constexpr std::chrono::milliseconds kLast{30000};

 private:
  std::chrono::milliseconds next_ = kFirst;
};

// A serial-to-Ethernet server. Latency over throughput: each packet leaves at once (no Nagle).
class TcpBusLink : public GatewayBusLink {
  Q_OBJECT

 public:
  TcpBusLink(std::string host, int port, QObject* parent = nullptr);
  ~TcpBusLink() override;
  void Open() override;
  tvx::gateway::WriteResult Write(std::string_view bytes) override;

 private:
  void Lost(const std::string& why);

  std::string host_;
  int port_;
  QTcpSocket socket_;
  QTimer again_;
  Backoff backoff_;
};

// A serial device at 9600 8N1 through the console's own serial control. A device that goes
// (a pulled adapter) is opened again once it is back.
class SerialBusLink : public GatewayBusLink {
  Q_OBJECT

 public:
  explicit SerialBusLink(std::string device, QObject* parent = nullptr);
  void Open() override;
  tvx::gateway::WriteResult Write(std::string_view bytes) override;

 private:
  void Check();

  std::string device_;
  links::PortNames names_;
  links::QtSerialControl control_;
  QTimer check_;
};

}  // namespace tvx::app
