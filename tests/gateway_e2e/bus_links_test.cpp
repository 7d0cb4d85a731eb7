#include "app/gateway/bus_links.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <memory>

#include "tests/gateway_e2e/mosquitto.h"

namespace tvx::e2e {
namespace {

using tvx::app::Backoff;
using tvx::app::TcpBusLink;
using tvx::gateway::LinkState;

TEST(BusLinks, BackoffDoublesFromOneSecondToThirtyAndStartsOverOnceUp) {
  Backoff b;
  for (long expected : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
    EXPECT_EQ(b.Next().count(), expected);
  }
  b.Reset();
  EXPECT_EQ(b.Next().count(), 1000);
}

// A serial-to-Ethernet server that can hang up and go away.
struct Server {
  QTcpServer server;
  std::unique_ptr<QTcpSocket> peer;
  QByteArray received;
  int port = 0;

  Server() {
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* next = server.nextPendingConnection()) {
        peer.reset(next);
        next->setParent(nullptr);
        QObject::connect(next, &QTcpSocket::readyRead,
                         [this, next] { received += next->readAll(); });
      }
    });
  }
  bool Listen() {
    if (!server.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) return false;
    port = server.serverPort();
    return true;
  }
};

TEST(BusLinks, ATcpBusComesBackAfterItsServerHungUpOrWentAway) {
  Server s;
  ASSERT_TRUE(s.Listen());
  TcpBusLink link("127.0.0.1", s.port);
  std::vector<LinkState> told;
  link.OnChange([&](const LinkState& state) { told.push_back(state); });
  const auto ups = [&] {
    return std::count_if(told.begin(), told.end(), [](const LinkState& t) { return t.up; });
  };
  EXPECT_FALSE(link.Write("early").ok);
  link.Open();
  ASSERT_TRUE(ServeUntil([&] { return ups() == 1 && s.peer; }));
  EXPECT_EQ(told.back().destination, "127.0.0.1:" + std::to_string(s.port));
  const auto wrote = link.Write("<02>packet");
  EXPECT_TRUE(wrote.ok);
  EXPECT_EQ(wrote.bytes, 10u);
  ASSERT_TRUE(ServeUntil([&] { return s.received == "<02>packet"; }));

  s.peer->disconnectFromHost();  // hangs up, still listening: back within the first back-off
  ASSERT_TRUE(ServeUntil([&] { return !told.back().up; }));
  EXPECT_EQ(told.back().error, "the connection was closed by the other end");
  const auto refused = link.Write("x");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.bytes, 0u);
  ASSERT_TRUE(ServeUntil([&] { return ups() == 2; }));

  s.server.close();  // goes away: attempts fail until it listens again
  s.peer->abort();
  ASSERT_TRUE(ServeUntil([&] { return !told.back().up; }));
  const std::size_t reports = told.size();
  ServeUntil([&] { return told.size() > reports + 1; }, 3500);  // two more attempts
  // The same failure again is no news.
  EXPECT_LE(told.size(), reports + 1);
  ASSERT_TRUE(s.Listen());
  ASSERT_TRUE(ServeUntil([&] { return ups() == 3; }, 40000));
  EXPECT_TRUE(link.Write("again").ok);
}

}  // namespace
}  // namespace tvx::e2e
