#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "tests/app/e2e_support.h"

// The real program, headless, over real ptys and a real loopback TCP listener: what an
// operator's script does must arrive on the far side byte for byte.
namespace tvx::e2e {
namespace {

TEST(Headless, TypedPacketReachesThePtyAndASwitchMovesToTheOtherPort) {
  Pty one, two;
  ASSERT_FALSE(one.Path().empty());
  const ConsoleRun run = RunConsole(
      "print StatusText\n"
      "click MiscButton\n"
      "type PacketText " +
          AllByteTokens().substr(0, 256 * 4) +
          "\n"
          "click SendButton\n"
          "wait 600\n"
          "print StatusText\n"
          "click Comm2Option\n"
          "wait 50\n"
          "print StatusText\n"
          "type PacketText <02>0105<1B>NUM12N<04>\n"
          "click SendButton\n"
          "wait 300\n"
          "print StatusText\n",
      Comm(one.Path(), two.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "StatusText.Text=Comm port 1 was chosen as the default based upon availability. You "
            "may select a different comm port than what was assigned.  Choose from those shown "
            "above.\n"
            "StatusText.Text=The command is sent\n"
            "StatusText.Text=Comm port 2 was successfully selected.\n"
            "StatusText.Text=The command is sent\n");
  // The packet box holds at most 256 typed characters: the first 64 tokens.
  EXPECT_EQ(one.Drain(), AllBytes().substr(0, 64));
  EXPECT_EQ(two.Drain(), std::string("\x02"
                                     "0105\x1bNUM12N\x04"));
}

TEST(Headless, ProbeSkipsMissingAndBusyPorts) {
  Pty busy, free_port;
  QSerialPort holder(QString::fromStdString(busy.Path()));
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
  const ConsoleRun run = RunConsole("print StatusText\nprint Comm3Option Value\n",
                                    Comm("/nonexistent/tty1", busy.Path(), free_port.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "StatusText.Text=Comm port 3 was chosen as the default based upon availability. You "
            "may select a different comm port than what was assigned.  Choose from those shown "
            "above.\n"
            "Comm3Option.Value=1\n");
}

TEST(Headless, TcpCarriesEveryByteAndAPeerCloseFallsBackToSerial) {
  Pty serial;
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  std::string received;
  std::unique_ptr<QTcpSocket> peer;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    peer.reset(server.nextPendingConnection());
    QObject::connect(peer.get(), &QTcpSocket::readyRead, [&] {
      received += peer->readAll().toStdString();
      if (received.size() >= 64) peer->close();  // the first packet is in: hang up
    });
  });
  const std::string port = std::to_string(server.serverPort());
  const ConsoleRun run = RunConsole(
      "click TCPOption\n"
      "wait 20\n"
      "print StatusText\n"
      "type RemoteIPText 127.0.0.1\n"
      "type RemotePortText " +
          port +
          "\n"
          "click RemoteIPButton\n"
          "wait 300\n"
          "print StatusText\n"
          "click MiscButton\n"
          "type PacketText " +
          AllByteTokens().substr(0, 256 * 4) +
          "\n"
          "click SendButton\n"
          "wait 400\n"
          "print StatusText\n"
          "type PacketText AFTER\n"
          "key PacketText F1\n"
          "wait 200\n"
          "print StatusText\n",
      Comm(serial.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "StatusText.Text=Please enter a target remote IP Address in the space provided above "
            "and then click the 'Connect' button.\n"
            "StatusText.Text=CONNECTED to IP Address 127.0.0.1\n"
            "StatusText.Text=The command is sent\n"
            // TCP/IP was chosen, so the serial port is closed: the write fails and says so.
            "StatusText.Text=ERROR: The packet could not be written to comm port 1.\n");
  EXPECT_EQ(received, AllBytes().substr(0, 64));
  EXPECT_EQ(serial.Drain(), "");
}

TEST(Headless, RefusedConnectEndsWithTheTimeOutMessage) {
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const std::string port = std::to_string(probe.serverPort());
  probe.close();  // nothing listens there now
  Pty serial;
  const ConsoleRun run = RunConsole(
      "click TCPOption\nwait 20\ntype RemoteIPText 127.0.0.1\ntype RemotePortText " + port +
          "\nclick RemoteIPButton\nwait 120\nprint StatusText\nwait 3100\nprint StatusText\n"
          "print Timer4 Enabled\n",
      Comm(serial.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "StatusText.Text=TCP/IP port 0 of this workstation is closed.\n"
            "StatusText.Text=ERROR: The attempted connection to IP Address 127.0.0.1 was "
            "unsuccessful.\n"
            "Timer4.Enabled=False\n");
}

TEST(Headless, BadScriptLineStopsWithStatus2) {
  const ConsoleRun run =
      RunConsole("print StatusText Caption\nprint StatusText\n", Comm("/nonexistent/tty1"));
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "ERROR: line 1: 'StatusText' has no property 'Caption'\n");
}

TEST(Headless, AScriptThatCannotBeReadIsRefused) {
  QTemporaryDir dir;
  const ConsoleRun from_file = RunProgram({"--headless", "--script", dir.path()});
  EXPECT_EQ(from_file.exit_code, 2);
  EXPECT_NE(from_file.err.find("cannot read script"), std::string::npos) << from_file.err;
  QProcess from_stdin;
  from_stdin.setStandardInputFile(dir.path());
  from_stdin.start(ProgramPath(), {"--headless", "--comm", "1=/nonexistent/tty1"});
  ASSERT_TRUE(from_stdin.waitForFinished(10000));
  EXPECT_EQ(from_stdin.exitCode(), 2);
  EXPECT_NE(from_stdin.readAllStandardError().toStdString().find("could not be read"),
            std::string::npos);
}

TEST(Headless, ASendOnTheLastLineReachesTheLink) {
  Pty pty;
  const ConsoleRun run = RunConsole(
      "click MiscButton\ntype PacketText <02>END<04>\nclick SendButton", Comm(pty.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(pty.Drain(),
            "\x02"
            "END\x04");
}

// More than a pty holds is still queued when the script ends: the program ends only once it
// has all left, and it does end.
TEST(Headless, QuittingLetsQueuedBytesLeaveFirst) {
  Pty pty;
  std::string script = "click MiscButton\ntype PacketText " + std::string(256, 'A') + "\n";
  constexpr int kSends = 100;  // 25.6 KB: more than the 20 KB a pty holds
  for (int i = 0; i < kSends; ++i) script += "click SendButton\nwait 100\n";
  QProcess process;
  process.start(ProgramPath(), QStringList{"--headless"} << Comm(pty.Path()));
  ASSERT_TRUE(process.waitForStarted());
  process.write(script.c_str());
  process.closeWriteChannel();
  std::string received;
  QElapsedTimer clock;
  clock.start();
  // Reads only once the script is over, so the bytes pile up inside the program first.
  while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
    process.waitForFinished(50);
    if (clock.elapsed() > 12000) received += pty.Drain();
  }
  received += pty.Drain();
  EXPECT_EQ(process.state(), QProcess::NotRunning);
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(received, std::string(256 * kSends, 'A'));
}

// Qt timers stop at 2^31 - 1 ms; a longer wait must still last as long as it says.
TEST(Headless, WaitsBeyondTheQtTimerRangeDoNotEndEarly) {
  for (const char* wait : {"wait 4294967396\n", "wait 2147483748\n"}) {
    QProcess process;
    process.start(ProgramPath(), {"--headless", "--comm", "1=/nonexistent/tty1"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(wait);
    process.write("print StatusText\n");
    EXPECT_FALSE(process.waitForFinished(1500))
        << wait << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput().toStdString(), "") << wait;
    process.kill();
    process.waitForFinished();
  }
}

}  // namespace
}  // namespace tvx::e2e

namespace tvx::e2e {
namespace {

// A wait already over must not nest a call per line: 60,000 of them overflowed the stack.
TEST(Headless, ManyWaitsOfNothingRunToTheEnd) {
  std::string script;
  for (int i = 0; i < 60'000; ++i) script += "wait 0\n";
  const ConsoleRun run = RunConsole(script + "print SendFlag\n", Comm("/nonexistent/tty1"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "SendFlag=False\n");
}

// What the start reads is never waited for: a pipe as the presets file, a script in an
// editor's UTF-8 with its byte-order mark.
TEST(Headless, APipeAsThePresetsFileIsRefusedAtOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath("TVXORM"));
  const QString presets = dir.filePath("TVXORM/presets.json");
  ASSERT_EQ(mkfifo(presets.toLocal8Bit().constData(), 0600), 0);
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", dir.path());
  process.setProcessEnvironment(env);
  process.start(ProgramPath(), {"--headless", "--no-journal", "--comm", "1=/nonexistent/tty1"});
  ASSERT_TRUE(process.waitForStarted());
  process.write("\xEF\xBB\xBFprint SendFlag\n");
  process.closeWriteChannel();
  const bool finished = process.waitForFinished(20000);
  if (!finished) process.kill();
  ASSERT_TRUE(finished);
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput().toStdString(), "SendFlag=False\n");
  const std::string err = process.readAllStandardError().toStdString();
  EXPECT_NE(err.find("presets.json' cannot be read: not a regular file"), std::string::npos) << err;
}

}  // namespace
}  // namespace tvx::e2e
