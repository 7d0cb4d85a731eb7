#include <gtest/gtest.h>

#include <sstream>

#include "console/command_runner.h"
#include "protocol/display.h"
#include "sim/devices_file.h"
#include "tests/gateway/gateway_fixture.h"

// What the gateway answers and publishes, on recording doubles.
namespace tvx::testing {
namespace {

const std::string kAddressed7 = "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"7\"}";

using gateway::MqttMessage;

struct Asked {
  std::string payload;
  std::string result;
  std::string member;  // a member the answer must hold ...
  std::string value;   // ... with a text that starts so
};

TEST_F(GatewayTest, EveryRequestGetsItsAnswer) {
  Start();
  const std::vector<Asked> cases = {
      {RequestJson("w", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":1234}"), "written",
       "tokens", "<02>0102<1B>NUM1234"},
      {RequestJson("r", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"12a\"}"), "rejected",
       "status", ""},
      {RequestJson("u", "NUM", "{\"colour\":\"red\"}"), "invalid", "error", ""},
      {RequestJson("c", "FOO", "{}"), "invalid", "error", "unknown command 'FOO'"},
      {"not json", "invalid", "id", "null"},
      {"{\"command\":\"NUM\"}", "invalid", "error", "no \"id\""},
  };
  for (const Asked& c : cases) {
    const std::size_t before = Answers().size();
    Request(c.payload);
    Advance(100);
    const auto answers = Answers();
    ASSERT_EQ(answers.size(), before + 1) << c.payload;
    EXPECT_EQ(Member(answers.back(), "result"), c.result) << c.payload;
    EXPECT_EQ(Member(answers.back(), c.member).substr(0, c.value.size()), c.value)
        << c.payload << "\n  " << On("response").back().payload;
    EXPECT_EQ(Member(answers.back(), "received").size(), 24u) << c.payload;
  }
  EXPECT_EQ(link.writes.size(), 1u);  // only the written one reached the bus
}

TEST_F(GatewayTest, AWrittenAnswerHoldsTheConsolesLineAndThePacket) {
  Start();
  Advance(1234);
  Request(
      RequestJson("mes-000042", "NUM",
                  "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"1234\",\"attribute\":\"FS\"}"));
  const console::CommandOutcome console_says = console::RunCommand(
      {"NUM",
       {{"group", "01"}, {"unit", "02"}, {"number", "1234"}, {"attribute", "FS"}},
       protocol::Link::Tcp});
  const auto a = LastAnswer();
  EXPECT_EQ(Member(a, "status"), console_says.message);
  ASSERT_EQ(link.writes.size(), 1u);
  EXPECT_EQ(Member(a, "hex"), protocol::HexText(link.writes[0].bytes));
  EXPECT_EQ(Member(a, "bytes"), std::to_string(link.writes[0].bytes.size()));
  EXPECT_EQ(Member(a, "received"), "2026-12-08T12:00:01.234Z");
  EXPECT_EQ(Member(a, "written"), "2026-12-08T12:00:01.234Z");
}

TEST_F(GatewayTest, AnAnsweredIdIsADuplicateWithTheOriginalAndNothingIsWrittenAgain) {
  Start();
  const std::string num = RequestJson("once", "NUM", kAddressed7);
  Request(num);
  Request(num);  // within the pace: waits for the first one's answer
  Advance(100);
  Request(num);
  Advance(1000);
  EXPECT_EQ(ResultOf("once"), "written,duplicate,duplicate");
  EXPECT_EQ(link.writes.size(), 1u);
  const auto answers = Answers();
  for (std::size_t i = 1; i < answers.size(); ++i) {
    const gateway::JsonValue* original = answers[i].Find("original");
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(Member(*original, "result"), "written");
  }
  // Refusals are answers too: their id stays taken.
  Request(RequestJson("bad", "FOO", "{}"));
  Request(RequestJson("bad", "NUM", "{}"));
  EXPECT_EQ(ResultOf("bad"), "invalid,duplicate");
}

TEST_F(GatewayTest, ARetainedRequestIsNeverRunAndIsCleared) {
  Start();
  Request(RequestJson("kept", "NUM", kAddressed7), /*retained=*/true);
  // The clearing comes back as an empty retained message: nothing to answer.
  Request("", true);
  Advance(500);
  EXPECT_TRUE(link.writes.empty());
  ASSERT_EQ(Answers().size(), 1u);
  EXPECT_EQ(Member(LastAnswer(), "result"), "invalid");
  EXPECT_EQ(Member(LastAnswer(), "id"), "kept");
  EXPECT_NE(Member(LastAnswer(), "error").find("retain"), std::string::npos);
  const auto cleared = On("request");
  ASSERT_EQ(cleared.size(), 1u);
  EXPECT_TRUE(cleared[0].retained);
  EXPECT_TRUE(cleared[0].payload.empty());
  // Sent again as it should be, it runs.
  Request(RequestJson("kept", "NUM", kAddressed7));
  EXPECT_EQ(ResultOf("kept"), "invalid,written");
}

TEST_F(GatewayTest, TheAnswerAlsoGoesToTheResponseTopicWithItsCorrelationData) {
  Start();
  Request(RequestJson("rt", "NUM", kAddressed7), false, std::nullopt, "mes/replies/7",
          std::string("\x01\x02", 2));
  Request("garbage", false, std::nullopt, "mes/replies/8", std::string("c8"));
  std::vector<MqttMessage> replies;
  for (const auto& m : session.published) {
    if (m.topic.rfind("mes/replies/", 0) == 0) replies.push_back(m);
  }
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].topic, "mes/replies/7");
  EXPECT_EQ(replies[0].correlation_data, std::string("\x01\x02", 2));
  EXPECT_EQ(replies[0].payload, On("response")[0].payload);
  EXPECT_FALSE(replies[0].retained);
  EXPECT_EQ(replies[1].correlation_data, "c8");
  EXPECT_NE(replies[1].payload.find("\"id\":null"), std::string::npos);
}

TEST_F(GatewayTest, StatusLinkAndWillSayWhereTheGatewayStands) {
  Start(DefaultOptions(), false);
  EXPECT_EQ(gw->Topic("status"), "plant/area2/line3/status");
  EXPECT_EQ(gateway::Gateway::WillPayload(), "{\"state\":\"offline\"}");
  ASSERT_FALSE(On("status").empty());
  EXPECT_EQ(On("status")[0].payload,
            "{\"state\":\"online\",\"version\":\"1.0.0\",\"bus\":\"tcp:127.0.0.1:4001\","
            "\"since\":\"2026-12-08T12:00:00.000Z\",\"queue\":0}");
  EXPECT_TRUE(On("status")[0].retained);
  EXPECT_EQ(On("link").back().payload,
            "{\"state\":\"down\",\"error\":\"not opened yet\",\"destination\":\"\",\"since\":"
            "\"2026-12-08T12:00:00.000Z\"}");
  Advance(2500);
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  EXPECT_EQ(On("link").back().payload,
            "{\"state\":\"up\",\"destination\":\"127.0.0.1:4001\",\"since\":"
            "\"2026-12-08T12:00:02.500Z\"}");
  Request(RequestJson("late", "NUM", kAddressed7));
  gw->LinkChanged({false, "Connection refused", "127.0.0.1:4001", 0});
  Request(RequestJson("waiting", "NUM", kAddressed7));
  gw->Stop();
  EXPECT_EQ(On("status").back().payload, "{\"state\":\"offline\",\"reason\":\"stopped\"}");
  EXPECT_EQ(ResultOf("waiting"), "failed");
  EXPECT_EQ(Member(LastAnswer(), "bytes"), "0");
}

TEST_F(GatewayTest, EveryRetainedTopicIsPublishedAgainOnReconnectAndOnRepublish) {
  auto options = DefaultOptions();
  std::istringstream file("numeric 10003 01 02\nandon 10001 01 01\n");
  options.devices = std::get<std::vector<sim::DeviceEntry>>(sim::ParseDevices(file));
  Start(options);
  auto retained = [this] {
    std::vector<std::string> topics;
    for (const auto& m : session.published) {
      if (m.retained) topics.push_back(m.topic.substr(std::string("plant/area2/line3/").size()));
    }
    return topics;
  };
  const std::vector<std::string> all = {
      "status", "link", "devices", "device/10003/state", "device/10001/state", "catalogue"};
  auto published = retained();
  published.resize(all.size());  // the link's first report follows
  EXPECT_EQ(published, all);
  EXPECT_EQ(On("devices")[0].payload,
            "[{\"kind\":\"numeric\",\"serial\":10003,\"group\":\"01\",\"unit\":\"02\"},"
            "{\"kind\":\"andon\",\"serial\":10001,\"group\":\"01\",\"unit\":\"01\"}]");
  session.published.clear();
  gw->Connected();
  EXPECT_EQ(retained(), all);
  session.published.clear();
  MqttMessage republish;
  republish.topic = gw->Topic("republish");
  EXPECT_TRUE(gw->MessageArrived(republish));
  EXPECT_EQ(retained(), all);
}

TEST_F(GatewayTest, TheCatalogueListsEveryCommandAsAFormNeedsIt) {
  Start();
  const auto published = On("catalogue");
  ASSERT_EQ(published.size(), 1u);
  auto parsed = gateway::ParseJson(published[0].payload);
  ASSERT_TRUE(std::holds_alternative<gateway::JsonValue>(parsed));
  const gateway::JsonValue& list = std::get<gateway::JsonValue>(parsed);
  ASSERT_EQ(list.items.size(), console::CommandNames().size());
  auto command = [&list](const std::string& name) {
    for (const auto& c : list.items) {
      if (Member(c, "command") == name) return c;
    }
    return gateway::JsonValue{};
  };
  auto field = [](const gateway::JsonValue& c, const std::string& name) {
    for (const auto& f : c.Find("fields")->items) {
      if (Member(f, "name") == name) return f;
    }
    return gateway::JsonValue{};
  };
  const auto num = command("NUM");
  EXPECT_EQ(Member(field(num, "group"), "limit"), "2");
  EXPECT_EQ(Member(field(num, "attribute"), "kind"), "choice");
  EXPECT_FALSE(field(num, "attribute").Find("choices")->items.empty());
  EXPECT_FALSE(Member(num, "reaches").empty());
  // The grid is the request's own member, not a file.
  const auto grid = command("AC1");
  ASSERT_NE(grid.Find("grid"), nullptr);
  EXPECT_EQ(Member(*grid.Find("grid"), "rows"), "6");
  EXPECT_EQ(field(grid, "layout").Find("name"), nullptr);
  EXPECT_EQ(command("MRQ").Find("grid"), nullptr);
}

TEST_F(GatewayTest, ADevicesStateFollowsWhatItWasToldAtMostEveryTwoTicks) {
  auto options = DefaultOptions();
  std::istringstream file("numeric 10003 01 02\nnumeric 10004 01 03\n");
  options.devices = std::get<std::vector<sim::DeviceEntry>>(sim::ParseDevices(file));
  Start(options);
  Advance(1000);
  session.published.clear();
  Request(RequestJson("n1", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"1\"}"));
  ASSERT_EQ(On("device/10003/state").size(), 1u);  // at once
  EXPECT_EQ(On("device/10003/state")[0].payload,
            "{\"serial\":10003,\"packets\":1,\"updated\":\"2026-12-08T12:00:01.000Z\"}");
  EXPECT_TRUE(On("device/10004/state").empty());  // not reached
  Request(RequestJson("n2", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"2\"}"));
  Request(RequestJson("n3", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"3\"}"));
  Advance(150);  // n2 at 1100: too soon after n1, it waits
  EXPECT_EQ(On("device/10003/state").size(), 1u);
  Advance(1000);  // n3 at 1200: folded into one telling
  const auto states = On("device/10003/state");
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[1].payload,
            "{\"serial\":10003,\"packets\":3,\"updated\":\"2026-12-08T12:00:01.200Z\"}");
  // Once told, an idle gateway sleeps: no timer runs without work.
  for (window::Timer* t : gw->Timers()) EXPECT_FALSE(t->Running()) << t->Name();
  Request(RequestJson("n4", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"4\"}"));
  Request(RequestJson("n5", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"5\"}"));
  Advance(1000);  // woken again, it tells the last one
  ASSERT_EQ(On("device/10003/state").size(), 4u);
  EXPECT_NE(On("device/10003/state")[3].payload.find("\"packets\":5"), std::string::npos);
  for (window::Timer* t : gw->Timers()) EXPECT_FALSE(t->Running()) << t->Name();
}

TEST_F(GatewayTest, EachWriteIsJournaledAndSentWithItsSourceAndId) {
  Start();
  Request(RequestJson("j1", "NUM", kAddressed7));
  ASSERT_EQ(journal.entries.size(), 1u);
  EXPECT_TRUE(journal.entries[0].written);
  EXPECT_EQ(journal.entries[0].destination, "127.0.0.1:4001");
  EXPECT_EQ(journal.entries[0].link, protocol::Link::Tcp);
  const auto sent = On("sent");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].qos, 0);
  EXPECT_EQ(sent[0].payload, gateway::WithMembers(TestFormats().journal_line(journal.entries[0]),
                                                  "\"source\":\"mqtt\",\"id\":\"j1\""));
}

}  // namespace
}  // namespace tvx::testing
