#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/app/e2e_support.h"
#include "tests/gateway_e2e/mosquitto.h"
#include "tests/gateway_e2e/secure_fixture.h"

namespace tvx::e2e {
namespace {

std::string FieldOf(const Seen& s, const char* name) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(s.payload))
      .object()[name]
      .toString()
      .toStdString();
}

std::string Request(const std::string& id) {
  return R"({"id":")" + id +
         R"(","command":"NUM","fields":{"group":"01","unit":"03","number":"5"}})";
}

bool Answered(Watch& watch, const std::string& id) {
  return watch
      .WaitFor("tvxorm/line3/response",
               [&](const Seen& s) {
                 return FieldOf(s, "id") == id && FieldOf(s, "result") == "written";
               })
      .has_value();
}

bool Online(const Seen& s) {
  return FieldOf(s, "state") == "online";
}

// A list of brokers is a failover list: the first down, the second serves; the second down and
// the first back, the first serves again.
TEST(GatewayFabric, ABrokerListFailsOverToTheNextAndBack) {
  Mosquitto first;
  Mosquitto second;
  ASSERT_TRUE(first.Running() && second.Running());
  first.Stop();
  Listener bus;
  Gateway g("line3", {"--tcp", "127.0.0.1:" + QString::number(bus.Port()), "--broker",
                      QString::fromStdString(first.Uri()), "--broker",
                      QString::fromStdString(second.Uri())});
  {
    Watch on_second(second, {"tvxorm/line3/#"});
    ASSERT_TRUE(on_second.WaitFor("tvxorm/line3/status", Online)) << g.Output();
    ASSERT_TRUE(Publish(second, "tvxorm/line3/request", Request("via-second")));
    EXPECT_TRUE(Answered(on_second, "via-second")) << g.Output();
  }
  ASSERT_TRUE(first.Restart());
  second.Stop();
  Watch on_first(first, {"tvxorm/line3/#"});
  ASSERT_TRUE(on_first.WaitFor("tvxorm/line3/status", Online, 60000)) << g.Output();
  ASSERT_TRUE(Publish(first, "tvxorm/line3/request", Request("via-first")));
  EXPECT_TRUE(Answered(on_first, "via-first")) << g.Output();
  EXPECT_TRUE(ServeUntil([&] { return bus.received.find("NUM5") != std::string::npos; }));
}

// Mosquitto's bridge between an area broker (the gateways) and a plant broker (the MES): the
// area side's configuration as the package's example gives it, pointed at the test's plant.
std::string AreaBridge(int plant_port) {
  QFile example(TVX_EXAMPLE_BRIDGE);
  if (!example.open(QIODevice::ReadOnly)) return "no example";
  return example.readAll()
      .replace("plant-broker.example:1883", "127.0.0.1:" + QByteArray::number(plant_port))
      .toStdString();
}

TEST(GatewayFabric, ARequestOnThePlantBrokerIsAnsweredThroughTheBridgeByAGatewayOnTheArea) {
  Mosquitto plant;
  ASSERT_TRUE(plant.Running());
  Mosquitto area(AreaBridge(plant.Port()));
  ASSERT_TRUE(area.Running()) << area.Log();
  Watch mes(plant, {"tvxorm/+/response", "tvxorm/+/status"});
  Listener bus;
  Gateway g("line3", {"--tcp", "127.0.0.1:" + QString::number(bus.Port()), "--broker",
                      QString::fromStdString(area.Uri())});
  // The gateway's status crosses the bridge: the bridge is up both ways once the plant has it.
  ASSERT_TRUE(mes.WaitFor("tvxorm/line3/status", Online)) << g.Output() << area.Log();
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(Publish(plant, "tvxorm/line3/request", Request("plant-" + std::to_string(i))));
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(Answered(mes, "plant-" + std::to_string(i))) << g.Output() << area.Log();
  // In order, each once.
  std::vector<std::string> ids;
  for (const auto& s : mes.Messages())
    if (s.topic == "tvxorm/line3/response") ids.push_back(FieldOf(s, "id"));
  EXPECT_EQ(ids, (std::vector<std::string>{"plant-0", "plant-1", "plant-2", "plant-3", "plant-4"}));
}

}  // namespace
}  // namespace tvx::e2e
