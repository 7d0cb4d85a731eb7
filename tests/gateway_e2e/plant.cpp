#include "tests/gateway_e2e/plant.h"

#include <QFile>
#include <QJsonDocument>

#include "tests/gateway/grid_rows.h"

namespace tvx::e2e {

QJsonObject Json(const Seen& s) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(s.payload)).object();
}

std::string Field(const Seen& s, const char* name) {
  return Json(s)[name].toString().toStdString();
}

bool Online(const Seen& s) {
  return Field(s, "state") == "online";
}

bool LinkUp(const Seen& s) {
  return Field(s, "state") == "up";
}

std::string NumRequest(const std::string& id, const std::string& number) {
  return R"({"id":")" + id + R"(","command":"NUM","fields":{"group":"01","unit":"03","number":")" +
         number + R"("}})";
}

std::string GridRequest(const std::string& id, int cells) {
  return R"({"id":")" + id + R"(","command":"AC1","fields":{"group":"01","unit":"02"},"grid":)" +
         testing::GridRowsJson(cells) + "}";
}

QString DevicesFile(const QTemporaryDir& dir) {
  const QString path = dir.filePath("devices");
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write("numeric 10003 01 03\nandon 10001 01 02\n");
  return path;
}

Plant::Plant(const QStringList& sim_more)
    : sim(QStringList{"--listen", "0", "--devices", DevicesFile(dir)} << sim_more) {}

bool Plant::Start(const QStringList& more, const QStringList& bus_args) {
  if (!broker.Running()) return false;
  if (bus_args.isEmpty() && sim.TcpPort() == 0) return false;
  watch = std::make_unique<Watch>(broker, std::vector<std::string>{"t/line3/#"});
  gateway = std::make_unique<GatewayProcess>(
      broker,
      bus_args.isEmpty() ? QStringList{"--tcp", "127.0.0.1:" + QString::number(sim.TcpPort())}
                         : bus_args,
      QStringList{"--devices", DevicesFile(dir)} << more);
  return watch->WaitFor(GatewayProcess::Topic("status"), Online).has_value();
}

std::optional<Seen> Plant::Answer(const std::string& id, std::size_t from) {
  return watch->WaitFor(
      GatewayProcess::Topic("response"), [&](const Seen& s) { return Field(s, "id") == id; }, 20000,
      from);
}

}  // namespace tvx::e2e
