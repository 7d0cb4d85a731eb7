#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "tests/gateway_e2e/mosquitto.h"

// `tvxorm gateway` as a process of its own, with a state folder of its own.
namespace tvx::e2e {

class GatewayProcess {
 public:
  // The bus is named "line3" under the prefix "t", so B is "t/line3".
  // state_dir: one that outlives this process (a restart); empty: a folder of its own.
  GatewayProcess(const Mosquitto& broker, const QStringList& bus_args, const QStringList& more = {},
                 const QString& state_dir = {});
  ~GatewayProcess();
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;

  static constexpr char kBase[] = "t/line3";
  static std::string Topic(const std::string& leaf) { return std::string(kBase) + "/" + leaf; }
  QString StateDir() const { return state_.path(); }
  void Signal(int signal);
  // Its exit status, or -1 for a crash or a run still going after ms.
  int Finish(int ms = 20000);
  const std::string& Err();
  // Where its first --listen says it listens: the port, 0 until it has said so.
  int SharedPort();
  qint64 Pid() const { return process_.processId(); }

 private:
  QTemporaryDir state_;
  QProcess process_;
  std::string err_;
};

}  // namespace tvx::e2e
