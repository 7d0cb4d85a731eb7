#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/sim_sources.h"
#include "tests/app/e2e_support.h"
#include "tests/app/sim_process.h"

// The simulator's TCP listener as a stranger on the network, a flood of connections and a
// process out of file descriptors meet it.
namespace tvx::e2e {
namespace {

const QByteArray kPacket(
    "\x02"
    "0103\x1bNUM42N1A\x04");

bool Until(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

std::unique_ptr<QTcpSocket> Connect(const QHostAddress& host, int port) {
  auto socket = std::make_unique<QTcpSocket>();
  socket->connectToHost(host, static_cast<quint16>(port));
  socket->waitForConnected(5000);
  return socket;
}

// A local address other than loopback, if the machine has one.
QHostAddress OtherAddress() {
  for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
    if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol) return a;
  }
  return {};
}

TEST(SimListen, LoopbackUnlessAnAddressIsGiven) {
  const QHostAddress other = OtherAddress();
  const struct {
    QString listen;
    const char* shown;  // the start of where it says it listens
    bool from_other;    // reachable at the machine's other address
  } cases[] = {
      {"0", "127.0.0.1:", false},
      {"127.0.0.1:0", "127.0.0.1:", false},
      {"0.0.0.0:0", "0.0.0.0:", true},
      {"[::1]:0", "[::1]:", false},
  };
  for (const auto& c : cases) {
    SimProcess sim({"--listen", c.listen});
    const int port = sim.TcpPort();
    ASSERT_GT(port, 0) << c.listen.toStdString() << ": " << sim.Out();
    EXPECT_EQ(sim.ListensOn().rfind(c.shown, 0), 0u) << sim.ListensOn();
    const QHostAddress local(std::string(c.shown) == "[::1]:" ? "::1" : "127.0.0.1");
    const auto socket = Connect(local, port);
    ASSERT_EQ(socket->state(), QAbstractSocket::ConnectedState) << c.listen.toStdString();
    socket->write(kPacket);
    EXPECT_TRUE(sim.WaitFor("number 42")) << sim.Out();
    if (other.isNull()) continue;
    const auto stranger = Connect(other, port);
    EXPECT_EQ(stranger->state() == QAbstractSocket::ConnectedState, c.from_other)
        << c.listen.toStdString() << " from " << other.toString().toStdString();
  }
}

TEST(SimListen, ConnectionsPastTheCapAreClosedWithOneNote) {
  const int kCap = app::SourceLimits{}.max_connections;
  SimProcess sim({"--listen", "0"});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();
  std::vector<std::unique_ptr<QTcpSocket>> open;
  open.reserve(kCap + 5);
  for (int i = 0; i < kCap + 5; ++i) open.push_back(Connect(QHostAddress::LocalHost, port));
  ASSERT_TRUE(sim.WaitFor("connected from", kCap));
  // The five past the cap are closed by the simulator.
  EXPECT_TRUE(Until([&] {
    int closed = 0;
    for (int i = kCap; i < kCap + 5; ++i)
      closed += open[i]->state() == QAbstractSocket::UnconnectedState;
    return closed == 5;
  }));
  EXPECT_EQ(sim.Count("connections are open"), 1) << sim.Out();
  EXPECT_EQ(sim.Count("connected from"), kCap);
  // One closes: a newcomer is served.
  open.front()->disconnectFromHost();
  ASSERT_TRUE(sim.WaitFor("closed"));
  const auto late = Connect(QHostAddress::LocalHost, port);
  late->write(kPacket);
  EXPECT_TRUE(sim.WaitFor("number 42")) << sim.Out();
}

TEST(SimListen, OutOfFileDescriptorsItPausesWithoutSpinningAndServesAgain) {
  // The sanitizers check a virtual call through a pipe of their own: with no descriptor left
  // they report every such call as undefined behaviour and stop the program.
  if (kAddressSanitizer) GTEST_SKIP() << "the sanitizers need file descriptors of their own";
  // Room for the program's own descriptors and a few dozen connections.
  SimProcess sim({"--listen", "0"}, {{}, "ulimit -n 48"});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();
  std::vector<std::unique_ptr<QTcpSocket>> open;
  open.reserve(60);
  for (int i = 0; i < 60; ++i) open.push_back(Connect(QHostAddress::LocalHost, port));
  ASSERT_TRUE(sim.WaitFor("no file descriptor is left")) << sim.Out();
  const int served = sim.Count("connected from");
  EXPECT_LT(served, 60);
  // Paused, it waits in the kernel: a busy loop would burn a good share of a second.
  const long before = sim.CpuTicks();
  Until([] { return false; }, 1000);
  EXPECT_LT(sim.CpuTicks() - before, 10) << "clock ticks used in a second while paused";
  EXPECT_EQ(sim.Count("no file descriptor is left"), 1) << sim.Out();
  // Served connections close: the ones that waited are taken and heard.
  for (int i = 0; i < 30; ++i) open[i]->disconnectFromHost();
  open.back()->write(kPacket);
  EXPECT_TRUE(sim.WaitFor("number 42")) << sim.Out();
  EXPECT_TRUE(sim.WaitFor("accepting connections again")) << sim.Out();
}

// A connection that says nothing for the idle time is closed; one that talks is kept.
TEST(SimListen, AnIdleConnectionIsClosedAndATalkingOneKept) {
  std::vector<std::string> notes;
  app::SimSources::Sink sink;
  sink.note = [&notes](const std::string& source, const std::string& note, bool) {
    notes.push_back(source + " " + note);
  };
  app::SourceLimits limits;
  limits.idle = std::chrono::milliseconds(1000);
  app::SimSources sources(sink, limits);
  ASSERT_FALSE(sources.ListenTcp({}));
  const int port = sources.TcpPorts().front();
  const auto silent = Connect(QHostAddress::LocalHost, port);
  const auto talking = Connect(QHostAddress::LocalHost, port);
  QElapsedTimer clock;
  clock.start();
  // Several idle times pass; the talking one sends ten times in each.
  while (clock.elapsed() < 3000) {
    talking->write("\x7f");
    Until([] { return false; }, 100);
  }
  EXPECT_EQ(silent->state(), QAbstractSocket::UnconnectedState);
  EXPECT_EQ(talking->state(), QAbstractSocket::ConnectedState);
  const std::string closed = "tcp:" + std::to_string(port) + "#1 closed: nothing received for 1 s";
  EXPECT_EQ(std::count(notes.begin(), notes.end(), closed), 1);
  EXPECT_EQ(sources.Connections(), 1);
}

}  // namespace
}  // namespace tvx::e2e
