#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "tests/gateway_e2e/plant.h"

// Every answer the gateway gives, seen from the broker and from the bus.
namespace tvx::e2e {
namespace {

using G = GatewayProcess;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The command of every packet the simulator received, in order ("!" for a malformed one).
std::string PacketsAtTheBus(SimProcess& sim) {
  std::istringstream lines(sim.Out());
  std::string line, order;
  while (std::getline(lines, line)) {
    if (Contains(line, "ERROR:")) order += "! ";
    const auto esc = line.find("<1B>");
    if (esc != std::string::npos) order += line.substr(esc + 4, 3) + " ";
  }
  return order;
}

TEST(GatewayResults, EachRequestOnALiveBusGetsItsOneAnswerAndOnlyWrittenOnesReachTheBus) {
  Plant p;
  ASSERT_TRUE(p.Start()) << p.gateway->Err();
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("link"), LinkUp));
  struct Case {
    std::string id;  // empty: the request has none that can be read
    std::string payload;
    PublishOptions options;
    std::string result;
    std::string member;  // the member that says why, and part of it
    std::string says;
  };
  const Case cases[] = {
      {"w-1", NumRequest("w-1", "11"), {}, "written", "status", "has been sent to Group = 01"},
      {"w-1", NumRequest("w-1", "12"), {}, "duplicate", "", ""},
      {"r-1", NumRequest("r-1", "12a"), {}, "rejected", "status", ""},
      {"", "{not json", {}, "invalid", "error", ""},
      {"i-1", R"({"id":"i-1","command":"FOO","fields":{}})", {}, "invalid", "error", "FOO"},
      {"i-2",
       R"({"id":"i-2","command":"NUM","fields":{"colour":"red"}})",
       {},
       "invalid",
       "error",
       "colour"},
      {"i-3", NumRequest("i-3", "13"), PublishOptions().Retain(), "invalid", "error", "retain"},
  };
  for (const Case& c : cases) {
    const std::size_t from = p.watch->Messages().size();
    ASSERT_TRUE(Publish(p.broker, G::Topic("request"), c.payload, c.options));
    const auto answer = p.Answer(c.id, from);
    ASSERT_TRUE(answer) << c.payload << "\n" << p.gateway->Err();
    EXPECT_EQ(Field(*answer, "result"), c.result) << c.payload << "\n" << answer->payload;
    if (!c.member.empty()) {
      EXPECT_FALSE(Field(*answer, c.member.c_str()).empty()) << answer->payload;
      EXPECT_TRUE(Contains(Field(*answer, c.member.c_str()), c.says)) << answer->payload;
    }
    if (c.result == "duplicate") {
      EXPECT_EQ(Json(*answer)["original"].toObject()["result"].toString().toStdString(), "written")
          << answer->payload;
    }
  }
  // The retained request is cleared so that it does not come back at the next start.
  // (A subscriber sees it live, so without the retained flag.)
  EXPECT_TRUE(p.watch->WaitFor(G::Topic("request"), [](const Seen& s) {
    return s.payload.empty();
  })) << "the retained request stays";
  // One more written request closes the run: the bus has seen only the two written ones.
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("w-2", "14")));
  ASSERT_TRUE(p.Answer("w-2"));
  ASSERT_TRUE(p.sim.WaitFor("NUM14"));
  EXPECT_EQ(PacketsAtTheBus(p.sim), "NUM NUM ");
}

TEST(GatewayResults, WhileTheBusIsDownRequestsWaitUntilTheyExpireAndAFullQueueIsBusy) {
  Plant p;
  // Port 1 of loopback: nothing listens, the link stays down.
  ASSERT_TRUE(p.Start({"--queue", "1", "--max-age", "3"}, {"--tcp", "127.0.0.1:1"}))
      << p.gateway->Err();
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("waits", "1")));
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("status"),
                               [](const Seen& s) { return Json(s)["queue"].toInt() == 1; }));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("one-too-many", "2")));
  struct Case {
    std::string id;
    std::string payload;  // empty: already published
    PublishOptions options;
    std::string result;
    std::string says;  // part of its error
  };
  const Case cases[] = {
      {"one-too-many", "", {}, "busy", "the queue holds 1 requests already"},
      {"waits", "", {}, "expired", "--max-age of 3 s"},
      {"short-lived", NumRequest("short-lived", "3"), PublishOptions().Expiry(1), "expired",
       "Message Expiry Interval"},
      {"too-late",
       R"({"id":"too-late","command":"NUM","fields":{"group":"01","unit":"03","number":"4"},)"
       R"("expires":"2020-01-01T00:00:00.000Z"})",
       {},
       "expired",
       "\"expires\" time 2020-01-01T00:00:00.000Z"},
  };
  for (const Case& c : cases) {
    if (!c.payload.empty()) {
      ASSERT_TRUE(Publish(p.broker, G::Topic("request"), c.payload, c.options));
    }
    const auto answer = p.Answer(c.id);
    ASSERT_TRUE(answer) << c.id << "\n" << p.gateway->Err();
    EXPECT_EQ(Field(*answer, "result"), c.result) << answer->payload;
    EXPECT_TRUE(Contains(Field(*answer, "error"), c.says)) << answer->payload;
  }
}

TEST(GatewayResults, RequestsGoOutBetweenAGridsPositionsAndTheDeviceStatesAreTheSimulatorsOwn) {
  QTemporaryDir out;
  const QString state_file = out.filePath("state.json");
  Plant p({"--state", state_file});
  ASSERT_TRUE(p.Start({"--pace", "50"})) << p.gateway->Err();
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("link"), LinkUp));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), GridRequest("grid", 25)));
  ASSERT_TRUE(p.sim.WaitFor("<1B>AC1"));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("n1", "501")));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("n2", "502")));
  const auto grid = p.Answer("grid");
  ASSERT_TRUE(grid) << p.gateway->Err();
  EXPECT_EQ(Field(*grid, "result"), "written") << grid->payload;
  ASSERT_TRUE(p.Answer("n2"));
  ASSERT_TRUE(p.sim.WaitFor("NUM502"));
  const auto positions_seen = [&p] {
    const std::string o = PacketsAtTheBus(p.sim);
    int n = 0;
    for (auto at = o.find("AC1"); at != std::string::npos; at = o.find("AC1", at + 1)) ++n;
    return n;
  };
  // The grid's answer comes with its last write; the simulator may still be reading it.
  ServeUntil([&] { return positions_seen() >= 25; });

  // Whole packets only; the two requests between the first and the last of the grid's 25.
  const std::string order = PacketsAtTheBus(p.sim);
  EXPECT_FALSE(Contains(order, "!")) << order;
  const auto first_num = order.find("NUM");
  const auto last_ac1 = order.rfind("AC1");
  EXPECT_NE(first_num, std::string::npos);
  EXPECT_LT(first_num, last_ac1) << order;
  EXPECT_GT(first_num, order.find("AC1")) << order;
  EXPECT_EQ(positions_seen(), 25) << order;

  // The simulator's own record of the same bus, written as it stops.
  p.sim.Signal(SIGTERM);
  ASSERT_EQ(p.sim.Finish(), 0) << p.sim.Err();
  QFile file(state_file);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).array();
  ASSERT_EQ(devices.size(), 2);
  for (const auto& device : devices) {
    const QJsonObject simulated = device.toObject();
    const std::string serial = std::to_string(simulated["serial"].toInt());
    // Changes are folded at most every 100 ms: the last one published is the device's state.
    const auto same = p.watch->WaitFor(G::Topic("device/" + serial + "/state"), [&](const Seen& s) {
      QJsonObject told = Json(s);
      told.remove("updated");
      return told == simulated;
    });
    EXPECT_TRUE(same) << serial << ": " << QJsonDocument(simulated).toJson().toStdString();
  }
}

TEST(GatewayResults, AGridCutByTheBusGoingAwayFailsWithTheBytesThatWent) {
  Plant p;
  ASSERT_TRUE(p.Start({"--pace", "200"})) << p.gateway->Err();
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("link"), LinkUp));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), GridRequest("cut", 25)));
  ASSERT_TRUE(p.sim.WaitFor("<1B>AC1"));
  p.sim.Signal(SIGKILL);
  const auto answer = p.Answer("cut");
  ASSERT_TRUE(answer) << p.gateway->Err();
  EXPECT_EQ(Field(*answer, "result"), "failed") << answer->payload;
  EXPECT_FALSE(Field(*answer, "error").empty()) << answer->payload;
  const int went = Json(*answer)["bytes"].toInt();
  EXPECT_GT(went, 0) << answer->payload;
  const auto whole = (Field(*answer, "hex").size() + 1) / 3;  // "02 30 31 ..."
  EXPECT_LT(went, static_cast<int>(whole)) << answer->payload;
  EXPECT_TRUE(p.watch->WaitFor(G::Topic("link"), [](const Seen& s) { return !LinkUp(s); }));
}

}  // namespace
}  // namespace tvx::e2e
