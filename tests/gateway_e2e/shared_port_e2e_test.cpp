#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <memory>
#include <random>
#include <sstream>

#include "tests/app/e2e_support.h"
#include "tests/gateway_e2e/plant.h"

// Consoles through the gateway's shared port, end to end: the real console, the real gateway
// with its broker, the simulator as the bus.
namespace tvx::e2e {
namespace {

using G = GatewayProcess;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The simulator's monitor lines that hold part.
int Lines(SimProcess& sim, const std::string& part) {
  std::istringstream lines(sim.Out());
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) n += Contains(line, part);
  return n;
}

// A cut-off packet reaching the bus would show as one of these at the simulator.
int CutOffAtTheBus(SimProcess& sim) {
  return Lines(sim, "packet cut off") + Lines(sim, "packet too long") +
         Lines(sim, "rest of a packet");
}

std::string Sent(const Seen& s) {
  const QJsonObject o = Json(s);
  return o["source"].toString().toStdString() + " " + o["outcome"].toString().toStdString() + " " +
         o["error"].toString().toStdString();
}

std::int64_t Ms(const std::string& iso) {  // "...T20:14:58.494Z" within one day
  return std::stoll(iso.substr(11, 2)) * 3'600'000 + std::stoll(iso.substr(14, 2)) * 60'000 +
         std::stoll(iso.substr(17, 2)) * 1000 + std::stoll(iso.substr(20, 3));
}

long RssKb(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
  }
  return -1;
}

TEST(SharedPort, AConsoleOnTheGatewaysPortSharesTheBusWithTwentyRequests) {
  Plant p;
  ASSERT_TRUE(p.Start({"--listen", "0"})) << p.gateway->Err();
  ASSERT_TRUE(ServeUntil([&] { return p.gateway->SharedPort() > 0; })) << p.gateway->Err();
  const int port = p.gateway->SharedPort();

  std::string grid = "tvxorm-andon-grid 1\n";
  for (int row = 0; row < 6; ++row) {
    for (int column = 0; column < 25; ++column)
      grid += std::string(column ? " " : "") + (row == 0 && column < 8 ? "R" : ".");
    grid += "\n";
  }
  const QString grid_file = p.dir.filePath("eight.grid");
  QFile g(grid_file);
  ASSERT_TRUE(g.open(QIODevice::WriteOnly));
  g.write(grid.c_str());
  g.close();
  const std::string script =
      ConnectTcp(port) +
      "click NumButton\ntype GroupText 01\ntype UnitText 03\ntype NUMText 4321\n"
      "click SendButton\nwait 300\nclick CancelButton\n"
      // The first packet is cut off by the second's STX.
      "click MiscButton\ntype PacketText <02>0103<1B>NUM<02>0103<1B>NUM55N1A<04>\n"
      "click SendButton\nwait 300\nclick CancelButton\n"
      "click AndonButton\ntype GroupText 01\ntype UnitText 02\nload-grid " +
      grid_file.toStdString() + "\nclick SendButton\nwait 100\n";
  const QString script_file = p.dir.filePath("console.tvx");
  QFile s(script_file);
  ASSERT_TRUE(s.open(QIODevice::WriteOnly));
  s.write(script.c_str());
  s.close();
  QProcess console;
  console.start(ProgramPath(), QStringList{"--headless", "--no-journal", "--script", script_file}
                                   << Comm("/nonexistent/tty1"));
  ASSERT_TRUE(console.waitForStarted());
  // The requests arrive while the console connects and sends.
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(Publish(p.broker, G::Topic("request"),
                        NumRequest("mes-" + std::to_string(i), std::to_string(100 + i))));
  }
  for (int i = 0; i < 20; ++i) {
    const auto answer = p.Answer("mes-" + std::to_string(i));
    ASSERT_TRUE(answer) << i;
    EXPECT_EQ(Field(*answer, "result"), "written") << answer->payload;
  }
  ASSERT_TRUE(ServeUntil([&] { return console.state() == QProcess::NotRunning; }));
  EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();
  ASSERT_TRUE(ServeUntil([&] { return Lines(p.sim, "AC1") >= 8; }));
  ServeUntil([] { return false; }, 300);

  // Only whole packets at the bus: the requests', the console's NUM, its Misc's whole one and
  // the grid's cells.
  EXPECT_EQ(Lines(p.sim, "ERROR"), 0) << p.sim.Out();
  EXPECT_EQ(Lines(p.sim, "<1B>NUM4321"), 1);
  EXPECT_EQ(Lines(p.sim, "<1B>NUM55N1A"), 1);
  EXPECT_EQ(Lines(p.sim, "<1B>AC1"), 8);
  EXPECT_EQ(Lines(p.sim, "<02>0103<1B>NUM1"), 20);
  // B/sent names the console's connection for its packets and for the one cut off.
  const std::string source = "tcp:" + std::to_string(port) + "#1";
  int from_console = 0;
  bool cut_reported = false;
  for (const Seen& m : p.watch->Messages()) {
    if (m.topic != G::Topic("sent") || !Contains(Sent(m), source)) continue;
    ++from_console;
    cut_reported |= Contains(Sent(m), source + " not written packet cut off by a new STX");
  }
  EXPECT_EQ(from_console, 1 + 2 + 8);
  EXPECT_TRUE(cut_reported);
  EXPECT_TRUE(p.watch->WaitFor(G::Topic("status"),
                               [](const Seen& m) { return Json(m)["consoles"].toInt() == 1; }));
}

// The pty a console on the same machine takes for its serial port: `send --serial` through it
// reaches the bus, B/sent names the path, and the path goes with the gateway.
TEST(SharedPort, ASendThroughTheGatewaysPtyReachesTheBusNamedByItsPath) {
  Plant p;
  const QString pty = p.dir.filePath("console-port");
  ASSERT_TRUE(p.Start({"--pty", pty})) << p.gateway->Err();
  ASSERT_TRUE(ServeUntil([&] { return QFile::exists(pty); })) << p.gateway->Err();
  QProcess send;
  send.start(ProgramPath(), {"send", "--serial", pty, "--no-journal", "NUM", "group=01", "unit=03",
                             "number=4242"});
  ASSERT_TRUE(ServeUntil([&] { return send.state() == QProcess::NotRunning; }));
  EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
  EXPECT_TRUE(ServeUntil([&] { return Lines(p.sim, "<02>0103<1B>NUM4242N1A<04>") == 1; }))
      << p.sim.Out();
  EXPECT_TRUE(p.watch->WaitFor(
      G::Topic("sent"), [&](const Seen& m) { return Sent(m) == pty.toStdString() + " written "; }));
  p.gateway->Signal(SIGTERM);
  EXPECT_EQ(p.gateway->Finish(), 0) << p.gateway->Err();
  EXPECT_FALSE(QFile::exists(pty)) << "the link is left behind";
}

TEST(SharedPort, FloodingSilentAndSlowConsolesLeaveRequestsTheirPaceAndTheBusWholeUnits) {
  Plant p;
  ASSERT_TRUE(p.Start({"--listen", "0", "--pace", "50"})) << p.gateway->Err();
  ASSERT_TRUE(ServeUntil([&] { return p.gateway->SharedPort() > 0; })) << p.gateway->Err();
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("link"), LinkUp));
  const long rss_before = RssKb(p.gateway->Pid());

  std::vector<std::unique_ptr<QTcpSocket>> consoles;
  for (int i = 0; i < 20; ++i) {
    consoles.push_back(std::make_unique<QTcpSocket>());
    consoles.back()->connectToHost("127.0.0.1", static_cast<quint16>(p.gateway->SharedPort()));
  }
  ASSERT_TRUE(ServeUntil([&] {
    for (const auto& c : consoles)
      if (c->state() != QAbstractSocket::ConnectedState) return false;
    return true;
  }));
  // 0: 20 MB of garbage; 1: nothing; 2: a byte a second; the others: one whole packet each.
  QByteArray garbage(20 << 20, '\0');
  std::mt19937 random(7);
  for (auto& b : garbage) b = static_cast<char>(random());
  consoles[0]->write(garbage);
  QTimer slow;
  QObject::connect(&slow, &QTimer::timeout, [&] { consoles[2]->write("x"); });
  slow.start(1000);
  for (int i = 3; i < 20; ++i) {
    consoles[static_cast<std::size_t>(i)]->write(QByteArray("\x02"
                                                            "0103\x1bNUM") +
                                                 QByteArray::number(500 + i) + "N1A\x04");
  }
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(Publish(p.broker, G::Topic("request"),
                        NumRequest("flood-" + std::to_string(i), std::to_string(100 + i))));
    ServeUntil([] { return false; }, 200);
  }
  for (int i = 0; i < 20; ++i) {
    const auto answer = p.Answer("flood-" + std::to_string(i));
    ASSERT_TRUE(answer) << i;
    EXPECT_EQ(Field(*answer, "result"), "written") << answer->payload;
    // Behind at most one unit of each console (about a second at this pace), not behind the
    // flood, which would take hours: the bound leaves room for a loaded machine.
    EXPECT_LT(Ms(Field(*answer, "written")) - Ms(Field(*answer, "received")), 10000)
        << answer->payload;
  }
  EXPECT_TRUE(p.watch->WaitFor(G::Topic("status"),
                               [](const Seen& m) { return Json(m)["consoles"].toInt() == 20; }));
  const long rss_after = RssKb(p.gateway->Pid());
  if (!kAddressSanitizer) {
    EXPECT_LT(rss_after - rss_before, 16 * 1024) << rss_before << " kB -> " << rss_after << " kB";
  }
  // The flood is held back by its connection: most of it still waits on the test's side.
  EXPECT_GT(consoles[0]->bytesToWrite(), 10 << 20);

  ASSERT_TRUE(ServeUntil([&] { return Lines(p.sim, "<02>0103<1B>NUM519") == 1; }));
  for (int i = 3; i < 20; ++i) {
    EXPECT_EQ(Lines(p.sim, "<02>0103<1B>NUM" + std::to_string(500 + i) + "N1A<04>"), 1) << i;
  }
  EXPECT_EQ(CutOffAtTheBus(p.sim), 0) << p.sim.Out().substr(0, 4000);
  // Cut-off packets of the flood were reported, and written ones carry its source.
  int refused = 0;
  for (const Seen& m : p.watch->Messages()) {
    if (m.topic == G::Topic("sent") && Contains(Sent(m), "#1 not written")) ++refused;
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace tvx::e2e
