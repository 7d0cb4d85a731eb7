#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "protocol/display.h"
#include "tests/app/e2e_support.h"

// tvxorm send, the real program over a real pty and a loopback TCP listener, against the
// bytes the console itself sends for the same fields.
namespace tvx::e2e {
namespace {

struct Case {
  QStringList send;    // COMMAND FIELD=VALUE...
  std::string script;  // the same command in the window
};

const std::string kSend = "click SendButton\nwait 200\nprint StatusText\nclick CancelButton\n";

std::vector<Case> Cases() {
  return {
      {{"NUM", "number=1234", "group=1", "unit=2"},
       "click NumButton\ntype NUMText 1234\ntype GroupText 1\ntype UnitText 2\n"},
      {{"MRQ", "message=HELLO", "auto-centre=ON", "serial=12", "flash=ON", "group=01", "unit=05"},
       "click MrqButton\ntype MRQText HELLO\nclick MRQAutoCenterON\ntype SernoText 12\n"
       "click MRQFlashON\ntype GroupText 01\ntype UnitText 05\n"},
      {{"SL1", "row=3", "attribute=OFF", "group=01", "unit=02"},
       "click SL1Button\ntype NumRowText 3\nclick NUMAttOFF\ntype GroupText 01\ntype UnitText "
       "02\n"},
      {{"sgu", "serial=12345", "ds1-group=1", "ds1-unit=2"},
       "click SGUButton\ntype SernoText 12345\ntype txtSGUGroup(0) 1\ntype txtSGUUnit(0) 2\n"},
      // The packet box takes 256 characters: 64 tokens at a time.
      {{"Misc", QString::fromStdString("packet=" + AllByteTokens().substr(0, 256))},
       "click MiscButton\ntype PacketText " + AllByteTokens().substr(0, 256) + "\n"},
      {{"Misc", QString::fromStdString("packet=" + AllByteTokens().substr(768))},
       "click MiscButton\ntype PacketText " + AllByteTokens().substr(768) + "\n"},
  };
}

// The status line the console printed, as the script's print shows it.
std::string StatusOf(const std::string& printed) {
  const std::string prefix = "StatusText.Text=";
  const auto at = printed.rfind(prefix);
  return at == std::string::npos ? "" : printed.substr(at + prefix.size());
}

TEST(Send, OverAPtySendsTheConsolesBytesAndStatus) {
  for (const Case& c : Cases()) {
    Pty console_pty;
    const ConsoleRun console = RunConsole(c.script + kSend, Comm(console_pty.Path()));
    ASSERT_EQ(console.exit_code, 0) << console.err;
    Pty pty;
    QStringList args{"send", "--serial", QString::fromStdString(pty.Path())};
    const ConsoleRun run = RunProgram(args << c.send);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(protocol::DisplayForm(pty.Drain()), protocol::DisplayForm(console_pty.Drain()))
        << c.script;
    EXPECT_EQ(run.out, StatusOf(console.out)) << c.script;
  }
}

TEST(Send, OverTcpSendsTheConsolesBytesAndStatus) {
  for (const Case& c : Cases()) {
    Listener console_listener;
    Pty unused;
    const ConsoleRun console =
        RunConsole(ConnectTcp(console_listener.Port()) + c.script + kSend, Comm(unused.Path()));
    ASSERT_EQ(console.exit_code, 0) << console.err;
    Listener listener;
    QStringList args{"send", "--tcp", QStringLiteral("127.0.0.1:%1").arg(listener.Port())};
    const ConsoleRun run = RunProgram(args << c.send);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(protocol::DisplayForm(listener.received),
              protocol::DisplayForm(console_listener.received))
        << c.script;
    EXPECT_EQ(run.out, StatusOf(console.out)) << c.script;
  }
}

TEST(Send, AndonGridFromALayoutFileMatchesTheConsole) {
  QTemporaryDir dir;
  const QString layout = dir.filePath("board.grid");
  QFile file(layout);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  std::string rows = "tvxorm-andon-grid 1\n";
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) {
      rows += n == 1 && i == 2    ? "R "
              : n == 3 && i == 12 ? "RYS "
              : n == 6 && i == 25 ? "B "
                                  : ". ";
    }
    rows += "\n";
  }
  file.write(rows.c_str());
  file.close();
  Listener listener;
  const ConsoleRun run =
      RunProgram({"send", "--tcp", QStringLiteral("127.0.0.1:%1").arg(listener.Port()), "AC1",
                  "layout=" + layout, "group=1", "unit=2"});
  QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  // The same cells the console's own andon test paints.
  EXPECT_EQ(protocol::DisplayForm(listener.received),
            "<02>0102<1B>AC11R2C1A1P<04><02>0102<1B>AC13R12C2A1P2S<04><02>0102<1B>AC16R25C0A<04>");
  EXPECT_EQ(run.out, "The 'Andon Cell' command has been sent to Group = 01, Unit = 02\n");
}

TEST(Send, ExitStatusSaysWhatHappened) {
  Pty pty;
  const QString device = QString::fromStdString(pty.Path());
  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost);
  const QString refused = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
  closed.close();
  struct Expect {
    QStringList args;
    int code;
    std::string err;
  };
  const std::vector<Expect> cases = {
      {{"--serial", device, "NUM", "number=12a", "group=1", "unit=2"},
       3,
       "ERROR: Please enter only a numeric value. This value must be no longer than 4 digits."},
      {{"--serial", device, "NUM", "number=5"},
       3,
       "ERROR: You must specify the Group and Unit address of your target device."},
      {{"--serial", device, "Misc"}, 3, "No command input!"},
      {{"--serial", device, "NOPE"}, 2, "unknown command 'NOPE'"},
      {{"--serial", device, "NUM", "number=12345"}, 2, "field 'number' takes at most 4 characters"},
      {{"--serial", device, "NUM", "number"}, 2, "expected FIELD=VALUE, not 'number'"},
      {{"--serial", device, "AC1", "group=1", "unit=2"}, 2, "give layout=FILE"},
      {{"--serial", device, "AC1", "layout=/nonexistent/grid"}, 2, "cannot read layout file"},
      {{"--tcp", "127.0.0.1", "SVN"}, 2, "--tcp takes HOST:PORT"},
      {{"--tcp", "127.0.0.1:70000", "SVN"}, 2, "is not a port (1 to 65535)"},
      {{"--tcp", "127.0.0.1:1", "--serial", device, "SVN"}, 2, "give one link"},
      {{"SVN"}, 2, "give --serial DEVICE, --tcp HOST:PORT or --dry-run"},
      {{"--bogus", "SVN"}, 2, "unknown option '--bogus'"},
      {{"--serial", "/nonexistent/tty", "SVN"}, 1, "cannot open /nonexistent/tty: no such device"},
      {{"--serial", "tvx-no-such-port", "SVN"}, 1, "cannot open tvx-no-such-port: no such device"},
      {{"--serial", "/dev/null", "SVN"}, 1, "cannot open /dev/null as a serial port"},
      {{"--tcp", refused, "SVN"}, 1, "could not connect to " + refused.toStdString()},
      {{"--dry-run", "SVN"}, 0, ""},
  };
  for (const Expect& e : cases) {
    const ConsoleRun run = RunProgram(QStringList{"send"} << e.args);
    EXPECT_EQ(run.exit_code, e.code) << e.args.join(' ').toStdString() << "\n" << run.err;
    EXPECT_NE(run.err.find(e.err), std::string::npos) << run.err;
  }
  EXPECT_EQ(pty.Drain(), "") << "nothing is written unless the whole command was accepted";
}

// A preset saved in the window, here written by hand as the README describes the file: the
// headless console applies it with the script verb, send with --preset, and both send what
// the console sends for the same fields typed.
TEST(Send, APresetGoesOutAsTheConsoleSendsTheSameFields) {
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  ASSERT_TRUE(QDir(home.path()).mkpath("TVXORM"));
  QFile file(home.filePath("TVXORM/presets.json"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"format": "tvxorm-presets", "version": 1, "presets": [
    {"name": "line 3 sign", "command": "MRQ",
     "fields": {"group": "01", "unit": "05", "message": "HELLO", "flash": "ON",
                "auto-centre": "ON", "serial": "12"}}]})");
  file.close();

  Pty typed_pty, preset_pty, send_pty;
  const ConsoleRun typed = RunConsole(
      "click MrqButton\ntype MRQText BYE\nclick MRQAutoCenterON\ntype SernoText 12\n"
      "click MRQFlashON\ntype GroupText 01\ntype UnitText 05\n" +
          kSend,
      Comm(typed_pty.Path()));
  const ConsoleRun preset =
      RunConsole("preset line 3 sign\ntype MRQText BYE\n" + kSend, Comm(preset_pty.Path()));
  const ConsoleRun sent = RunProgram({"send", "--serial", QString::fromStdString(send_pty.Path()),
                                      "--preset", "line 3 sign", "message=BYE"});
  qunsetenv("XDG_CONFIG_HOME");
  ASSERT_EQ(typed.exit_code, 0) << typed.err;
  EXPECT_EQ(preset.exit_code, 0) << preset.err;
  EXPECT_EQ(sent.exit_code, 0) << sent.err;
  const std::string bytes = protocol::DisplayForm(typed_pty.Drain());
  EXPECT_NE(bytes.find("BYE"), std::string::npos) << bytes;
  EXPECT_EQ(protocol::DisplayForm(preset_pty.Drain()), bytes);
  EXPECT_EQ(protocol::DisplayForm(send_pty.Drain()), bytes);
  EXPECT_EQ(preset.out, typed.out);
  EXPECT_EQ(sent.out, StatusOf(typed.out));
}

// Qt would look for a bare or relative name under /dev: the file named here is meant.
TEST(Send, ASerialDeviceNamedRelativelyIsTheFileItNames) {
  Pty pty;
  const QString bare = QStringLiteral("tvx-send-bus-%1").arg(QCoreApplication::applicationPid());
  QTemporaryDir folder(QDir::current().filePath("tvx-send-XXXXXX"));
  const QString relative = QDir::current().relativeFilePath(folder.filePath("bus"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(pty.Path()), bare));
  ASSERT_TRUE(QFile::link(QString::fromStdString(pty.Path()), folder.filePath("bus")));
  for (const QString& name : {bare, relative}) {
    const ConsoleRun run = RunProgram({"send", "--serial", name, "SVN"});
    EXPECT_EQ(run.exit_code, 0) << name.toStdString() << ": " << run.err;
    EXPECT_EQ(protocol::DisplayForm(pty.Drain()), "<02>0000<1B>SVN<04>") << name.toStdString();
  }
  QFile::remove(bare);
}

// A serial-to-Ethernet server busy with another client takes a connection and drops it: that
// is what the message says, not that the host could not be reached. When the program sees the
// close is a race, so a few tries.
TEST(Send, APeerThatClosesTheConnectionAtOnceIsSaidToHaveDoneSo) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QObject::connect(&server, &QTcpServer::newConnection, [&server] {
    while (QTcpSocket* peer = server.nextPendingConnection()) {
      peer->abort();
      peer->deleteLater();
    }
  });
  const QString where = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
  bool told = false;
  for (int attempt = 0; attempt < 5 && !told; ++attempt) {
    const ConsoleRun run = RunProgram({"send", "--tcp", where, "SVN"});
    EXPECT_EQ(run.err.find("could not connect"), std::string::npos) << run.err;
    told = run.exit_code == 1 &&
           run.err.find(where.toStdString() + " accepted the connection and closed it") !=
               std::string::npos;
  }
  EXPECT_TRUE(told);
}

TEST(Send, DryRunNeedsNoLinkAndShowsPacketAndBytes) {
  const ConsoleRun run =
      RunProgram({"send", "--dry-run", "TU1", "tune=5", "seconds=10", "group=1", "unit=2"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "packet: <02>0102<1B>TU15T10SRDP<04>\n"
            "hex: 02 30 31 30 32 1B 54 55 31 35 54 31 30 53 04\n"
            "reaches: group 01 unit 02\n");
}

// The fields a packet leaves out would mislead about who it reaches: Boot goes to the whole
// bus and SS# renumbers every listening device, whatever address is given.
TEST(Send, RefusesFieldsThePacketDoesNotCarryAndSaysWhoItReaches) {
  Pty pty;
  const QString device = QString::fromStdString(pty.Path());
  const std::vector<std::pair<QStringList, std::string>> cases = {
      {{"Boot", "serial=31337"}, "it reaches every device on the bus (0000)"},
      {{"SS#", "serial=12345", "group=1", "unit=2"}, "it reaches every device listening (ZYXWV)"},
      {{"MRQ", "message=HI", "group=1", "unit=5", "serial=12"},
       "MRQ sends serial only with auto-centre ON or OFF: it reaches group 01 unit 05"},
  };
  for (const auto& [args, reach] : cases) {
    const ConsoleRun run = RunProgram(QStringList{"send", "--serial", device} << args);
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find(reach), std::string::npos) << run.err;
  }
  EXPECT_EQ(pty.Drain(), "");

  const ConsoleRun dry = RunProgram({"send", "--dry-run", "SS#", "serial=12345"});
  EXPECT_TRUE(dry.out.ends_with("\nreaches: every device listening (ZYXWV)\n")) << dry.out;
  const ConsoleRun help = RunProgram({"send", "--help", "boot"});
  EXPECT_TRUE(help.out.ends_with("\nreaches: every device on the bus (0000)\n")) << help.out;
}

}  // namespace
}  // namespace tvx::e2e
