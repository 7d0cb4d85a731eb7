// The bus state as JSON: every device's common members and each kind's own.
#include "app/sim_state.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "sim/devices_file.h"
#include "tests/sim/sim_test_support.h"

namespace tvx::app {
namespace {

using sim::Packet;

QByteArray Compact(const QJsonValue& value) {
  return value.isObject() ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact)
                          : QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
}

TEST(SimStateJson, EachKindWithItsStateAfterSomePackets) {
  sim::Bus bus(sim::DefaultBus());
  const std::vector<std::string> packets = {
      "<02>0101<1B>AC13R12C2A1P2S<04>",
      "<02>0101<1B>AC23.1R2C1A1P0S<04>",
      "<02>0102<0C><10>caf\xE9<04>",  // a Latin-1 byte
      "<02>0000<1B>SSN10002<1B>SMC1C<04>",
      "<02>0103<1B>NUM1234N1A<04>",
      "<02>0104<1B>SL13R0A<04>",
      "<02>0105<1B>TU15T10S<04>",
      "<02>0000<1B>SVN<04>",
      "<02>0000<1B>SSN10006<1B>SGU01060209" + std::string(52, '0') + "<04>",
      "<02>0000<1B>SSNZYXWV<1B>SMB5R12L<04>",
  };
  for (const std::string& p : packets) {
    bus.Deliver(Packet(p));
  }
  const QJsonArray devices = BusStateJson(bus).array();
  ASSERT_EQ(devices.size(), 6);
  // One device alone, as the gateway publishes it, is its element of the array.
  for (std::size_t i = 0; i < bus.Devices().size(); ++i) {
    EXPECT_EQ(QByteArray::fromStdString(DeviceStateJson(bus.Devices()[i])),
              Compact(devices[static_cast<qsizetype>(i)]));
  }

  const QJsonObject andon = devices[0].toObject();
  EXPECT_EQ(andon["kind"].toString(), "andon");
  EXPECT_EQ(andon["serial"].toInt(), 10001);
  const QJsonArray cells = andon["cells"].toArray();
  ASSERT_EQ(cells.size(), 6);
  for (const auto& row : cells) EXPECT_EQ(row.toArray().size(), 25);
  EXPECT_EQ(cells[2].toArray()[11].toString(), "2A1P2S");
  EXPECT_TRUE(cells[2].toArray()[10].isNull());
  EXPECT_EQ(Compact(andon["sub-cells"]),
            R"([{"codes":"1A1P0S","column":2,"row":3,"sub-column":null,"sub-row":1}])");
  EXPECT_EQ(Compact(andon["maintenance"]),
            R"({"clears":0,"diagnostics":0,"lamp-tests":0,"soft-boots":0,"version-requests":0})");
  EXPECT_EQ(andon["packets"].toInt(), 4);  // its cells, the broadcast SVN and SMB
  EXPECT_EQ(andon["ignored"].toInt(), 1);
  EXPECT_EQ(Compact(andon["settings"]), R"({"SMB lamp-test":"12","SMB regular":"5"})");

  // The remaining kinds, whole except the members every device has.
  const char* const expected[] = {
      (R"({"auto-centre":true,"carriage-return":false,"clear-home":true,"flash":true,)"
       R"("template":null,"text":"caf)"
       "\xC3\xA9\"}"),
      R"({"attribute":"ON","column":null,"number":"1234","row":null})",
      R"({"rows":{"3":"OFF"}})",
      (R"({"last-tune":{"code":"TU1","duration":null,"priority":null,"repeat":null,)"
       R"("seconds":"10","tune":"5"},"tunes-played":1})"),
      R"({})",
  };
  for (int i = 1; i < 6; ++i) {
    QJsonObject own = devices[i].toObject();
    for (const char* common : {"kind", "serial", "group", "unit", "device-sets", "settings",
                               "maintenance", "packets", "ignored"}) {
      EXPECT_TRUE(own.contains(common)) << i << " " << common;
      own.remove(common);
    }
    EXPECT_EQ(QString::fromUtf8(Compact(own)), QString::fromUtf8(expected[i - 1])) << i;
  }

  // The head-end, moved by SGU, answers at two sets and counted SVN.
  const QJsonObject head_end = devices[5].toObject();
  EXPECT_EQ(head_end["kind"].toString(), "headend");
  EXPECT_EQ(head_end["group"].toString(), "01");
  EXPECT_EQ(head_end["unit"].toString(), "06");
  EXPECT_EQ(Compact(head_end["device-sets"]),
            R"([{"group":"01","set":1,"unit":"06"},{"group":"02","set":2,"unit":"09"}])");
  EXPECT_EQ(head_end["maintenance"].toObject()["version-requests"].toInt(), 1);
}

}  // namespace
}  // namespace tvx::app
