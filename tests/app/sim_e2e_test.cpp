#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "andon/row_transmission.h"
#include "app/sim/sim_session.h"
#include "tests/app/e2e_support.h"
#include "tests/support/harness.h"
#include "tests/support/temp_dir.h"

// The simulator as a separate process, fed by the console's own processes over loopback TCP
// and over a pty: what the devices were told must be what the operator sent.
namespace tvx::e2e {
namespace {

// A running `tvxorm sim --headless`; the TCP port it was given is read from its first lines.
class Sim {
 public:
  explicit Sim(const QStringList& args) {
    process_.start(ProgramPath(), QStringList{"sim", "--headless"} << args);
  }
  ~Sim() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Waits until done(output); false after 20 s.
  bool WaitUntil(const std::function<bool(const std::string&)>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done(out_) && clock.elapsed() < 20000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      process_.waitForReadyRead(20);
      out_ += process_.readAllStandardOutput().toStdString();
      if (process_.state() == QProcess::NotRunning) break;
    }
    return done(out_);
  }
  bool WaitFor(const std::string& text) {
    return WaitUntil(
        [&text](const std::string& out) { return out.find(text) != std::string::npos; });
  }
  int TcpPort() {
    if (!WaitFor("listening")) return 0;
    // Text or JSON lines.
    const auto match = QRegularExpression("tcp:(\\d+)(  |\",\"note\":\")listening")
                           .match(QString::fromStdString(out_));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
  }
  // Stops it as SIGTERM would; its exit status.
  int Stop() {
    process_.terminate();
    process_.waitForFinished(10000);
    out_ += process_.readAllStandardOutput().toStdString();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  const std::string& Out() const { return out_; }

 private:
  QProcess process_;
  std::string out_;
};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QJsonArray State(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).array();
}

QJsonObject DeviceBySerial(const QJsonArray& state, int serial) {
  for (const QJsonValue device : state) {
    if (device["serial"].toInt() == serial) return device.toObject();
  }
  return {};
}

// Paints a grid in AC1 with every kind of cell, without sending.
std::string Paint(const std::string& group, const std::string& unit) {
  return "click AndonButton\ntype GroupText " + group + "\ntype UnitText " + unit +
         "\nclick ORM610R1(1)\nclick ORM610PriY\nclick ORM610R2(25)\n"
         "click ORM610AttFS\nclick ORM610PriG\nclick ORM610SecR\nclick ORM610R3(12)\n"
         "click ORM610AttFF\nclick ORM610PriB\nclick ORM610SecY\nclick ORM610R6(7)\n"
         "click ORM610AttOFF\nclick ORM610R4(4)\n";
}

// What each painted cell's packet carries after its address, as the console builds it.
std::map<std::pair<int, int>, std::string> ExpectedCodes(const std::string& paint) {
  testing::Harness h;
  h.Run(paint + "click SendButton\n");
  std::map<std::pair<int, int>, std::string> codes;
  for (int row = 1; row <= 6; ++row) {
    for (int column = 1; column <= 25; ++column) {
      const auto packet = andon::CellPacket(h.w, row, column);
      if (!packet) continue;
      const std::string bytes = packet->Bytes();
      const std::string head = "R" + std::to_string(column) + "C";
      const std::size_t at = bytes.find(head) + head.size();
      codes[{row, column}] = bytes.substr(at, bytes.size() - at - 1);
    }
  }
  return codes;
}

TEST(Sim, AGridPaintedInTheConsoleIsTheBoardsCellForCellOverTcpAndAPty) {
  testing::TempDir dir;
  const QString devices = Q(dir.Write("bus.txt", "andon 1 01 01\nandon 2 01 02\n"));
  const QString pty = Q(dir.File("tty-sim"));
  const QString state = Q(dir.File("state.json"));
  Sim sim({"--listen", "0", "--pty", pty, "--devices", devices, "--state", state});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();

  // Both consoles at once: each grid takes its 15.6 s.
  const std::string tcp_grid = Paint("1", "1");
  const std::string pty_grid = Paint("1", "2");
  QProcess over_tcp, over_pty;
  const auto start = [&](QProcess& p, const std::string& name, const std::string& script,
                         const QStringList& args) {
    p.start(
        ProgramPath(),
        QStringList{"--headless", "--no-journal", "--script", Q(dir.Write(name, script))} << args);
  };
  start(over_tcp, "tcp.tvx", ConnectTcp(port) + tcp_grid + "click SendButton\n",
        Comm("/nonexistent/tty1"));
  start(over_pty, "pty.tvx", pty_grid + "click SendButton\n", Comm(pty.toStdString()));
  for (QProcess* p : {&over_tcp, &over_pty}) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
  }
  ASSERT_TRUE(sim.WaitFor("tcp:" + std::to_string(port) + "#1  <02>0101<1B>AC16R7C")) << sim.Out();
  ASSERT_TRUE(sim.WaitFor("tty-sim  <02>0102<1B>AC16R7C")) << sim.Out();
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_FALSE(QFile::exists(pty)) << "the pty's link goes with the simulator";

  const QJsonArray bus = State(state);
  for (const auto& [serial, paint] : {std::pair{1, tcp_grid}, std::pair{2, pty_grid}}) {
    const QJsonArray cells = DeviceBySerial(bus, serial)["cells"].toArray();
    ASSERT_EQ(cells.size(), 6) << serial;
    const auto expected = ExpectedCodes(paint);
    EXPECT_EQ(expected.size(), 5u);
    for (int row = 1; row <= 6; ++row) {
      for (int column = 1; column <= 25; ++column) {
        const QJsonValue cell = cells[row - 1].toArray()[column - 1];
        const auto it = expected.find({row, column});
        EXPECT_EQ(cell.toString().toStdString(), it == expected.end() ? "" : it->second)
            << "board " << serial << " row " << row << " column " << column;
      }
    }
  }
}

TEST(Sim, ADeviceGivenANewAddressAnswersThereAndNoLongerAtTheOld) {
  QTemporaryDir dir;
  const QString state = dir.filePath("state.json");
  Sim sim({"--listen", "0", "--state", state});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();
  const QString tcp = "127.0.0.1:" + QString::number(port);
  const auto send = [&tcp](const QStringList& fields) {
    const ConsoleRun run = RunProgram(QStringList{"send", "--no-journal", "--tcp", tcp} << fields);
    EXPECT_EQ(run.exit_code, 0) << run.err;
  };
  // The default bus: the numeric display is serial 10003 at group 01, unit 03.
  send({"SGU", "serial=10003", "ds1-group=05", "ds1-unit=07"});
  send({"NUM", "group=5", "unit=7", "number=4321"});
  send({"NUM", "group=1", "unit=3", "number=99"});
  ASSERT_TRUE(sim.WaitFor("number 99")) << sim.Out();
  EXPECT_NE(sim.Out().find("number 4321, attribute ON  -> numeric display 10003 at 0507"),
            std::string::npos)
      << sim.Out();
  EXPECT_NE(sim.Out().find("number 99, attribute ON  -> no device at this address"),
            std::string::npos)
      << sim.Out();
  EXPECT_EQ(sim.Stop(), 0);
  const QJsonObject numeric = DeviceBySerial(State(state), 10003);
  EXPECT_EQ(numeric["group"].toString(), "05");
  EXPECT_EQ(numeric["unit"].toString(), "07");
  EXPECT_EQ(numeric["number"].toString(), "4321");
}

// The packet lines of --json output, in order.
std::vector<QJsonObject> PacketLines(const std::string& out) {
  std::vector<QJsonObject> packets;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    const QJsonObject item = QJsonDocument::fromJson(line).object();
    if (item["kind"] == "packet") packets.push_back(item);
  }
  return packets;
}

TEST(Sim, EachAddressingRuleAndCommandFamilyAsTheConsoleSendsThem) {
  QTemporaryDir dir;
  const QString state = dir.filePath("state.json");
  const QString pty = dir.filePath("tty-sim");
  Sim sim({"--listen", "0", "--pty", pty, "--json", "--state", state});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();
  const QString tcp = "127.0.0.1:" + QString::number(port);
  const QJsonArray all{10001, 10002, 10003, 10004, 10005, 10006};
  // The default bus: andon 10001 at 0101, marquee 10002 at 0102, numeric 10003 at 0103,
  // stack light 10004 at 0104, tune unit 10005 at 0105, head-end 10006 at 0106.
  // Over TCP unless the link is named: the serial link's rules send SLI to the wildcard.
  const struct {
    QStringList send;
    QJsonArray reached;
  } cases[] = {
      {{"NUM", "group=1", "unit=3", "number=1"}, {10003}},
      {{"NUM", "group=0", "unit=0", "number=2"}, all},  // everyone
      {{"NUM", "group=7", "unit=7", "number=3"}, {}},
      {{"SVN"}, all},                                  // the fixed address
      {{"--serial", pty, "SLI", "intensity=5"}, all},  // the wildcard serial
      {{"SBT", "serial=10001", "board-type=3"}, {10001}},
      {{"VL1", "group=1", "unit=5", "serial=10005", "volume=9", "channel=1"}, {10005}},
      {{"VL1", "group=1", "unit=5", "serial=10004", "volume=9", "channel=1"}, {}},
      {{"MRQ", "group=1", "unit=2", "message=HELLO"}, {10002}},
      {{"SL1", "group=1", "unit=4", "row=2", "attribute=FS"}, {10004}},
      {{"TU1", "group=1", "unit=5", "tune=12"}, {10005}},
      {{"AC2", "group=1", "unit=1", "row=2", "column=3"}, {10001}},
      {{"Test", "group=1", "unit=1"}, {10001}},
      {{"SDM", "template=7"}, all},
  };
  int sent = 0;
  for (const auto& c : cases) {
    const QStringList link =
        c.send.front().startsWith("--") ? QStringList{} : QStringList{"--tcp", tcp};
    const ConsoleRun run = RunProgram(QStringList{"send", "--no-journal"} << link << c.send);
    ASSERT_EQ(run.exit_code, 0) << c.send.join(' ').toStdString() << ": " << run.err;
    ++sent;
    sim.WaitUntil([sent](const std::string& out) {
      return static_cast<int>(PacketLines(out).size()) >= sent;
    });
    const auto lines = PacketLines(sim.Out());
    ASSERT_EQ(static_cast<int>(lines.size()), sent) << sim.Out();
    EXPECT_EQ(lines.back()["reached"].toArray(), c.reached) << c.send.join(' ').toStdString();
  }
  EXPECT_EQ(sim.Stop(), 0);

  const QJsonArray bus = State(state);
  // A member of a member: "settings" then "SLI intensity".
  const auto at = [&bus](int serial, const char* outer, const char* inner) -> QJsonValue {
    return DeviceBySerial(bus, serial)[QLatin1String(outer)].toObject()[QLatin1String(inner)];
  };
  EXPECT_EQ(DeviceBySerial(bus, 10001)["cells"].toArray()[1].toArray()[2].toString(), "1A1P0S");
  EXPECT_EQ(at(10001, "maintenance", "lamp-tests").toInt(), 1);
  EXPECT_EQ(at(10001, "settings", "SBT board-type").toString(), "3");
  EXPECT_EQ(DeviceBySerial(bus, 10002)["text"].toString(), "HELLO");
  EXPECT_EQ(DeviceBySerial(bus, 10002)["template"].toString(), "7");
  EXPECT_EQ(DeviceBySerial(bus, 10003)["number"].toString(), "2");
  EXPECT_EQ(at(10004, "rows", "2").toString(), "FS");
  EXPECT_EQ(at(10005, "last-tune", "tune").toString(), "12");
  EXPECT_EQ(at(10005, "settings", "VL1 volume").toString(), "9");
  EXPECT_EQ(at(10006, "maintenance", "version-requests").toInt(), 1);
  for (const QJsonValue device : bus) {
    EXPECT_EQ(device.toObject()["settings"].toObject()["SLI intensity"].toString(), "5")
        << device.toObject()["serial"].toInt();
  }
}

TEST(Sim, GarbageAndRapidConnectionsAreShownAndTheBusGoesOn) {
  Sim sim({"--listen", "0", "--json"});
  const int port = sim.TcpPort();
  ASSERT_GT(port, 0) << sim.Out();
  for (int i = 0; i < 20; ++i) {
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write(i == 7 ? QByteArray(20000, '\x7f')
                        : QByteArray("\x02"
                                     "0103\x1bNUM5N1A\x04"));
    socket.waitForBytesWritten(5000);
    socket.disconnectFromHost();
  }
  ASSERT_TRUE(sim.WaitFor("#20\",\"note\":\"closed\"")) << sim.Out();
  EXPECT_EQ(sim.Stop(), 0);
  int packets = 0, errors = 0;
  for (const QByteArray& line : QByteArray::fromStdString(sim.Out()).split('\n')) {
    if (line.isEmpty()) continue;
    const QJsonObject item = QJsonDocument::fromJson(line).object();
    ASSERT_FALSE(item.isEmpty()) << line.toStdString();
    EXPECT_TRUE(item.contains("time") && item.contains("source")) << line.toStdString();
    if (item["kind"] == "packet") {
      ++packets;
      EXPECT_EQ(item["reached"].toArray(), QJsonArray{10003}) << line.toStdString();
    }
    if (item["kind"] == "error") ++errors;
  }
  EXPECT_EQ(packets, 19);
  // Garbage is shown in pieces of bounded size, never held whole.
  EXPECT_GE(errors, 20000 / 1024);
}

TEST(Sim, WhatCannotBeUsedIsRefusedWithTheReason) {
  testing::TempDir dir;
  const QString bad = Q(dir.Write("bad.txt", "andon 1 01 01\nlamp 2 01 02\n"));
  const QString taken = Q(dir.Write("taken", ""));
  const QString fifo = Q(dir.File("fifo"));
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const QString huge = Q(dir.Write("huge.txt", "andon 1 01 01\n"));
  std::filesystem::resize_file(huge.toStdString(), app::kMaxDevicesFileBytes + 1);
  const QString folder = Q(dir.File(""));
  Sim holder({"--listen", "0"});
  const int busy_port = holder.TcpPort();
  const struct {
    QStringList args;
    const char* says;
  } cases[] = {
      {{"--listen", "0", "--devices", bad}, "bad.txt:2:"},
      {{"--listen", "0", "--devices", Q(dir.File("none"))}, "cannot read the devices file"},
      // Read to no end, or never answering, or no file at all.
      {{"--listen", "0", "--devices", "/dev/zero"}, "'/dev/zero': not a regular file"},
      {{"--listen", "0", "--devices", fifo}, "fifo': not a regular file"},
      {{"--listen", "0", "--devices", folder}, "it is a folder, not a file"},
      {{"--listen", "0", "--devices", huge}, "bytes, more than the 16777216"},
      // Refused before the run, not replaced after it.
      {{"--listen", "0", "--state", fifo}, "fifo': not a regular file"},
      {{"--listen", "0", "--state", folder}, "it is a folder, not a file"},
      {{"--listen", "0", "--state", Q(dir.File("no/such/folder.json"))},
       "its folder does not exist"},
      {{"--pty", taken}, "the path exists"},
      {{"--listen", QString::number(busy_port)}, "cannot listen on 127.0.0.1:"},
      {{"--listen", "[::1]:" + QString::number(busy_port), "--listen",
        "127.0.0.1:" + QString::number(busy_port)},
       "cannot listen on 127.0.0.1:"},
      {{"--serial", "/nonexistent/ttyUSB9"}, "cannot open /nonexistent/ttyUSB9"},
      {{}, "give where to listen"},
      {{"--listen", "70000"}, "no TCP port"},
  };
  for (const auto& c : cases) {
    const ConsoleRun run = RunProgram(QStringList{"sim", "--headless", "--for", "100"} << c.args);
    EXPECT_EQ(run.exit_code, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo.toStdString())) << "left as it was";
}

}  // namespace
}  // namespace tvx::e2e
