#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/app/e2e_support.h"

// What the program hands the system for a link, traced with strace: each tick's packet leaves
// in one write, on a real pty and on a real loopback connection, and TCP goes out unhindered by
// Nagle's wait.
namespace tvx::e2e {
namespace {

struct Traced {
  int exit_code = -1;
  std::vector<std::string> writes;  // to the link, in order
  bool no_delay = false;            // TCP_NODELAY set on the link
};

bool StraceWorks() {
  QProcess probe;
  probe.start("strace", {"-o", "/dev/null", "true"});
  return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
         probe.exitCode() == 0;
}

// strace -xx writes every byte of a string or a descriptor's name as \xHH.
QString Escape(const QString& text) {
  QString hex;
  for (const char c : text.toLatin1()) {
    hex +=
        QString("\\x%1").arg(static_cast<uint>(static_cast<unsigned char>(c)), 2, 16, QChar('0'));
  }
  return hex;
}

std::string Unescape(const QString& hex) {
  std::string bytes;
  for (qsizetype i = 0; i + 4 <= hex.size(); i += 4) {
    bytes += static_cast<char>(hex.mid(i + 2, 2).toInt(nullptr, 16));
  }
  return bytes;
}

// Runs the program under strace, one log per thread, serving the test's listeners meanwhile.
// link: what names the link's descriptor in strace's words.
Traced RunTraced(const QStringList& args, const QString& link) {
  QTemporaryDir dir;
  const QString log = dir.filePath("trace");
  QProcess process;
  // A leak check at exit stops the process's threads with ptrace, which strace holds already;
  // the other tests check the program for leaks.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  const QString asan = env.value("ASAN_OPTIONS");
  env.insert("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "detect_leaks=0");
  process.setProcessEnvironment(env);
  process.start("strace", QStringList{"-ff", "-qq", "-yy", "-xx", "-s", "65536", "-e",
                                      "trace=write,writev,sendto,sendmsg,setsockopt", "-e",
                                      "signal=none", "-o", log, "--", ProgramPath()}
                              << args);
  QElapsedTimer clock;
  clock.start();
  while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    process.waitForFinished(10);
  }
  Traced traced;
  traced.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  // The program's own thread writes the links; other threads' logs name other descriptors.
  static const QRegularExpression kCall(
      R"re(^(\w+)\(\d+<(.*?)>, (?:"((?:\\x[0-9a-f]{2})*)")?(.*)$)re");
  for (const QString& name : QDir(dir.path()).entryList({"trace.*"}, QDir::Files, QDir::Name)) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& raw : file.readAll().split('\n')) {
      const auto call = kCall.match(QString::fromLatin1(raw));
      if (!call.hasMatch() || !call.captured(2).contains(link)) continue;
      if (call.captured(1) == "setsockopt") {
        traced.no_delay = traced.no_delay || call.captured(4).contains("TCP_NODELAY, [1]");
      } else {
        // A write of another kind shows as one that matches no packet.
        traced.writes.push_back(call.captured(1) == "write" || call.captured(1) == "sendto"
                                    ? Unescape(call.captured(3))
                                    : call.captured(1).toStdString());
      }
    }
  }
  return traced;
}

// What reached the far end, given a moment to arrive: a pty passes its bytes on from a kernel
// worker, a connection from the next pass of the event loop.
std::string Received(bool tcp, Pty& pty, Listener& listener, std::size_t expected) {
  std::string got;
  QElapsedTimer clock;
  clock.start();
  while (got.size() < expected && clock.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    got += tcp ? std::exchange(listener.received, {}) : pty.Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return got;
}

// The pty by its path; the connection as the program's one TCP socket.
QString Link(bool tcp, const Pty& pty) {
  return tcp ? QString("TCP:[") : Escape(QString::fromStdString(pty.Path()));
}

const std::string kNum1234 =
    "\x02"
    "0102\x1bNUM1234N1A\x04";
const std::string kNum56 =
    "\x02"
    "0102\x1bNUM56N1A\x04";
const std::string kTwoSends =
    "click NumButton\ntype NUMText 1234\ntype GroupText 1\ntype UnitText 2\n"
    "click SendButton\nwait 300\ntype NUMText 56\nclick SendButton\nwait 300\n";

TEST(OneWrite, TheConsoleWritesEachTicksPacketOnceOnAPtyAndOnALoopbackConnection) {
  if (!StraceWorks()) GTEST_SKIP() << "strace cannot trace here";
  for (const bool tcp : {false, true}) {
    Pty pty;
    Listener listener;
    const std::string script = (tcp ? ConnectTcp(listener.Port()) : "") + kTwoSends;
    QTemporaryDir dir;
    const QString path = dir.filePath("script.tvx");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script.c_str());
    file.close();
    const Traced traced =
        RunTraced(QStringList{"--headless", "--script", path} << Comm(pty.Path()), Link(tcp, pty));
    EXPECT_EQ(traced.exit_code, 0) << (tcp ? "TCP" : "pty");
    EXPECT_EQ(traced.writes, (std::vector<std::string>{kNum1234, kNum56})) << (tcp ? "TCP" : "pty");
    EXPECT_EQ(traced.no_delay, tcp);
    EXPECT_EQ(Received(tcp, pty, listener, (kNum1234 + kNum56).size()), kNum1234 + kNum56);
  }
}

TEST(OneWrite, SendWritesThePacketOnceOnAPtyAndOnALoopbackConnection) {
  if (!StraceWorks()) GTEST_SKIP() << "strace cannot trace here";
  for (const bool tcp : {false, true}) {
    Pty pty;
    Listener listener;
    const QString where =
        tcp ? QString("127.0.0.1:%1").arg(listener.Port()) : QString::fromStdString(pty.Path());
    const Traced traced = RunTraced({"send", "--no-journal", tcp ? "--tcp" : "--serial", where,
                                     "NUM", "number=1234", "group=1", "unit=2"},
                                    Link(tcp, pty));
    EXPECT_EQ(traced.exit_code, 0) << (tcp ? "TCP" : "pty");
    EXPECT_EQ(traced.writes, std::vector<std::string>{kNum1234}) << (tcp ? "TCP" : "pty");
    EXPECT_EQ(traced.no_delay, tcp);
    EXPECT_EQ(Received(tcp, pty, listener, kNum1234.size()), kNum1234);
  }
}

}  // namespace
}  // namespace tvx::e2e
