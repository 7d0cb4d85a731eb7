#include "tests/app/sim_process.h"

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include "tests/app/e2e_support.h"

namespace tvx::e2e {

SimProcess::SimProcess(const QStringList& args, const Options& options) {
  if (!options.out_file.isEmpty()) process_.setStandardOutputFile(options.out_file);
  const QStringList sim = QStringList{"sim", "--headless"} << args;
  if (options.limits.isEmpty()) {
    process_.start(ProgramPath(), sim);
    return;
  }
  // The shell limits itself, then becomes the program with the same arguments.
  process_.start("/bin/sh",
                 QStringList{"-c", options.limits + "; exec \"$0\" \"$@\"", ProgramPath()} << sim);
}

SimProcess::~SimProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

const std::string& SimProcess::Out() {
  out_ += process_.readAllStandardOutput().toStdString();
  return out_;
}

bool SimProcess::WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    process_.waitForReadyRead(20);
    Out();
    if (process_.state() == QProcess::NotRunning) break;
  }
  return done();
}

int SimProcess::Count(const std::string& text) {
  int n = 0;
  const std::string& out = Out();
  for (std::size_t at = 0; (at = out.find(text, at)) != std::string::npos; at += text.size()) ++n;
  return n;
}

bool SimProcess::WaitFor(const std::string& text, int count) {
  return WaitUntil([&] { return Count(text) >= count; });
}

std::string SimProcess::ListensOn() {
  if (!WaitFor("listening on ")) return {};
  return QRegularExpression("tcp:\\d+  listening on (\\S+)")
      .match(QString::fromStdString(out_))
      .captured(1)
      .toStdString();
}

int SimProcess::TcpPort() {
  if (!WaitFor("  listening")) return 0;
  const auto port =
      QRegularExpression("tcp:(\\d+)  listening").match(QString::fromStdString(out_)).captured(1);
  return port.toInt();
}

void SimProcess::Signal(int signal) {
  ::kill(static_cast<pid_t>(process_.processId()), signal);
}

std::string SimProcess::WaitChannel() const {
  QFile file(QString("/proc/%1/wchan").arg(process_.processId()));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

long SimProcess::CpuTicks() const {
  QFile stat(QString("/proc/%1/stat").arg(process_.processId()));
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QList<QByteArray> fields = stat.readAll().split(' ');
  return fields.size() > 15 ? fields[13].toLong() + fields[14].toLong() : -1;
}

int SimProcess::Finish(int ms) {
  WaitUntil([this] { return process_.state() == QProcess::NotRunning; }, ms);
  if (process_.state() != QProcess::NotRunning) return -1;
  err_ += process_.readAllStandardError().toStdString();
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

}  // namespace tvx::e2e
