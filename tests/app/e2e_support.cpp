#include "tests/app/e2e_support.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace tvx::e2e {

Pty::Pty() {
  int slave = -1;
  char name[256] = {};
  if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
  path_ = name;
  ::close(slave);  // the console opens it by name
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
  if (master_ >= 0) ::close(master_);
}

std::string Pty::Drain() {
  std::string out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

Listener::Listener() {
  server.listen(QHostAddress::LocalHost);
  QObject::connect(&server, &QTcpServer::newConnection, [this] {
    peers.emplace_back(server.nextPendingConnection());
    QTcpSocket* peer = peers.back().get();
    QObject::connect(peer, &QTcpSocket::readyRead,
                     [this, peer] { received += peer->readAll().toStdString(); });
  });
}

ConsoleRun RunConsole(const std::string& script, const QStringList& comm_args) {
  QTemporaryDir dir;
  const QString path = dir.filePath("script.tvx");
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(script.c_str());
  file.close();
  QStringList args{"--headless", "--script", path};
  args << comm_args;
  return RunProgram(args);
}

QString ProgramPath() {
  return TVX_BINARY;
}

ConsoleRun RunProgram(const QStringList& args) {
  QProcess process;
  process.start(TVX_BINARY, args);
  QElapsedTimer clock;
  clock.start();
  while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    process.waitForFinished(10);
  }
  ConsoleRun run;
  run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

QStringList Comm(const std::string& p1, const std::string& p2, const std::string& p3,
                 const std::string& p4) {
  return {"--comm", QString::fromStdString("1=" + p1), "--comm", QString::fromStdString("2=" + p2),
          "--comm", QString::fromStdString("3=" + p3), "--comm", QString::fromStdString("4=" + p4)};
}

std::string ConnectTcp(int port) {
  return "click TCPOption\nwait 20\ntype RemoteIPText 127.0.0.1\ntype RemotePortText " +
         std::to_string(port) + "\nclick RemoteIPButton\nwait 300\n";
}

std::string AllByteTokens() {
  std::string typed;
  char token[8];
  for (int b = 0; b < 256; ++b) {
    std::snprintf(token, sizeof token, "<%02X>", b);
    typed += token;
  }
  return typed;
}

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

}  // namespace tvx::e2e
