#include "tests/gateway_e2e/gateway_process.h"

#include <signal.h>

#include <QRegularExpression>

#include "tests/app/e2e_support.h"

namespace tvx::e2e {

GatewayProcess::GatewayProcess(const Mosquitto& broker, const QStringList& bus_args,
                               const QStringList& more, const QString& state_dir) {
  QStringList args{"gateway",
                   "--bus",
                   "line3",
                   "--prefix",
                   "t",
                   "--broker",
                   QString::fromStdString(broker.Uri()),
                   "--state-dir",
                   state_dir.isEmpty() ? state_.path() : state_dir};
  process_.start(ProgramPath(), args << bus_args << more);
  process_.waitForStarted(10000);
}

GatewayProcess::~GatewayProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

void GatewayProcess::Signal(int signal) {
  ::kill(static_cast<pid_t>(process_.processId()), signal);
}

int GatewayProcess::Finish(int ms) {
  ServeUntil([this] { return process_.state() == QProcess::NotRunning; }, ms);
  if (process_.state() != QProcess::NotRunning) return -1;
  Err();
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

const std::string& GatewayProcess::Err() {
  err_ += process_.readAllStandardError().toStdString();
  return err_;
}

int GatewayProcess::SharedPort() {
  return QRegularExpression("tcp:(\\d+): listening on ")
      .match(QString::fromStdString(Err()))
      .captured(1)
      .toInt();
}

}  // namespace tvx::e2e
