#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <vector>

// Between a client and the broker on loopback: cuts connections as a failing network would, or
// plays a broker that speaks only MQTT 3.1.1.
namespace tvx::e2e {

class BrokerProxy : public QObject {
  Q_OBJECT

 public:
  // refuse_v5: a CONNECT for MQTT 5 gets 3.1.1's "unacceptable protocol version" and a close.
  BrokerProxy(int broker_port, bool refuse_v5 = false);
  int Port() const { return server_.serverPort(); }
  std::string Uri() const { return "mqtt://127.0.0.1:" + std::to_string(Port()); }
  // Drops every connection at once, without a DISCONNECT.
  void Cut();
  int Refused() const { return refused_; }
  int Connections() const { return connections_; }

 private:
  struct Pair {
    std::unique_ptr<QTcpSocket> client;
    std::unique_ptr<QTcpSocket> broker;
    QByteArray first;  // the client's bytes until its CONNECT has been seen
    bool checked = false;
  };
  void Accept();
  void FromClient(Pair& pair);

  QTcpServer server_;
  int broker_port_;
  bool refuse_v5_;
  int refused_ = 0;
  int connections_ = 0;
  std::vector<std::unique_ptr<Pair>> pairs_;
};

}  // namespace tvx::e2e
