#include "tests/gateway_e2e/broker_proxy.h"

namespace tvx::e2e {

namespace {

// The protocol level of a whole CONNECT packet at the start of bytes; -1 while incomplete.
int ConnectLevel(const QByteArray& bytes) {
  int at = 1;  // past the packet type
  for (int i = 0; i < 4; ++i, ++at) {
    if (at >= bytes.size()) return -1;
    if ((static_cast<unsigned char>(bytes[at]) & 0x80) == 0) break;
  }
  const int level_at = at + 1 + 6;  // the length byte(s), then "\0\4MQTT"
  return level_at < bytes.size() ? static_cast<unsigned char>(bytes[level_at]) : -1;
}

}  // namespace

BrokerProxy::BrokerProxy(int broker_port, bool refuse_v5)
    : broker_port_(broker_port), refuse_v5_(refuse_v5) {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, &BrokerProxy::Accept);
}

void BrokerProxy::Accept() {
  while (QTcpSocket* incoming = server_.nextPendingConnection()) {
    ++connections_;
    auto pair = std::make_unique<Pair>();
    pair->client.reset(incoming);
    incoming->setParent(nullptr);
    pair->broker = std::make_unique<QTcpSocket>();
    Pair* p = pair.get();
    pair->broker->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(broker_port_));
    connect(p->client.get(), &QTcpSocket::readyRead, this, [this, p] { FromClient(*p); });
    connect(p->broker.get(), &QTcpSocket::readyRead, this,
            [p] { p->client->write(p->broker->readAll()); });
    connect(p->broker.get(), &QTcpSocket::connected, this, [this, p] { FromClient(*p); });
    connect(p->broker.get(), &QTcpSocket::disconnected, this, [p] { p->client->abort(); });
    connect(p->client.get(), &QTcpSocket::disconnected, this, [p] { p->broker->abort(); });
    pairs_.push_back(std::move(pair));
  }
}

void BrokerProxy::FromClient(Pair& p) {
  if (!p.checked) {
    p.first += p.client->readAll();
    const int level = ConnectLevel(p.first);
    if (level < 0) return;
    p.checked = true;
    if (refuse_v5_ && level == 5) {
      ++refused_;
      p.client->write(QByteArray("\x20\x02\x00\x01", 4));
      p.client->flush();
      p.client->disconnectFromHost();
      p.broker->abort();
      return;
    }
  } else {
    p.first += p.client->readAll();
  }
  if (p.broker->state() != QAbstractSocket::ConnectedState) return;
  p.broker->write(p.first);
  p.first.clear();
}

void BrokerProxy::Cut() {
  for (auto& p : pairs_) {
    p->client->abort();
    p->broker->abort();
  }
}

}  // namespace tvx::e2e
