#include "app/gateway/paho_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>

#include "tests/gateway_e2e/broker_proxy.h"
#include "tests/gateway_e2e/mosquitto.h"

namespace tvx::e2e {
namespace {

using tvx::app::BrokerOptions;
using tvx::app::PahoSession;
using tvx::gateway::MqttMessage;

constexpr char kRequest[] = "t/bus/request";
constexpr char kStatus[] = "t/bus/status";
constexpr char kOnline[] = R"({"state":"online"})";
constexpr char kWill[] = R"({"state":"offline"})";

struct Recorder : tvx::gateway::MqttEvents {
  int connected = 0;
  std::vector<std::string> lost;
  std::vector<MqttMessage> arrived;
  std::function<bool(const MqttMessage&)> answer;
  std::function<void()> on_connected;

  void Connected() override {
    ++connected;
    if (on_connected) on_connected();
  }
  void ConnectionLost(const std::string& reason) override { lost.push_back(reason); }
  bool MessageArrived(const MqttMessage& message) override {
    arrived.push_back(message);
    return answer ? answer(message) : true;
  }
  int Count(const std::string& payload) const {
    return static_cast<int>(std::count_if(arrived.begin(), arrived.end(),
                                          [&](const auto& m) { return m.payload == payload; }));
  }
};

MqttMessage Message(std::string topic, std::string payload, int qos = 1, bool retained = false) {
  MqttMessage m;
  m.topic = std::move(topic);
  m.payload = std::move(payload);
  m.qos = qos;
  m.retained = retained;
  return m;
}

std::string PahoUri(int port) {
  return "tcp://127.0.0.1:" + std::to_string(port);
}

BrokerOptions Options(const std::vector<int>& ports) {
  static std::atomic<int> next{0};
  BrokerOptions o;
  for (int p : ports) o.uris.push_back(PahoUri(p));
  o.client_id = "tvx-test-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                std::to_string(next++);
  o.will_topic = kStatus;
  o.will_payload = kWill;
  o.subscriptions = {kRequest, "t/bus/republish"};
  o.retry_min = std::chrono::milliseconds(200);
  o.retry_max = std::chrono::milliseconds(1000);
  return o;
}

// A session that says it is online at every connect, as the gateway does.
struct Client {
  Recorder events;
  PahoSession session;
  std::vector<std::string> notices;
  explicit Client(BrokerOptions options) : session(std::move(options)) {
    session.SetEvents(&events);
    session.OnNotice([this](const std::string& n) { notices.push_back(n); });
    events.on_connected = [this] { session.Publish(Message(kStatus, kOnline, 1, true)); };
  }
  bool WaitConnected(int times = 1) {
    return ServeUntil([&] { return events.connected >= times; });
  }
};

TEST(PahoSession, MessagesGoBothWaysWithTheirFlagsAndProperties) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  Watch watch(broker, {"t/bus/out/#"});
  Client c(Options({broker.Port()}));
  c.session.Start();
  ASSERT_TRUE(c.WaitConnected());
  EXPECT_EQ(c.session.ProtocolVersion(), 5);

  struct Case {
    PublishOptions options;
    std::string payload;
  };
  const std::vector<Case> in = {
      {PublishOptions(), R"({"id":"plain"})"},
      {PublishOptions().Retain(), R"({"id":"kept"})"},
      {PublishOptions().ResponseTopic("reply/here").Correlation("c-42").Expiry(30),
       R"({"id":"props"})"},
  };
  for (const auto& k : in) {
    ASSERT_TRUE(Publish(broker, kRequest, k.payload, k.options));
    ASSERT_TRUE(ServeUntil([&] { return c.events.Count(k.payload) == 1; })) << k.payload;
    const MqttMessage& got = c.events.arrived.back();
    EXPECT_EQ(got.topic, kRequest);
    EXPECT_EQ(got.qos, 1);
    // Retain As Published: a request made retained shows as one, even when it arrives live.
    EXPECT_EQ(got.retained, k.options.retained) << k.payload;
    EXPECT_EQ(got.response_topic, k.options.response_topic);
    EXPECT_EQ(got.correlation_data, k.options.correlation_data);
    ASSERT_EQ(got.expiry_seconds.has_value(), k.options.expiry_seconds.has_value());
    if (got.expiry_seconds) {
      EXPECT_LE(*got.expiry_seconds, 30);
    }
  }
  Publish(broker, kRequest, "", PublishOptions().Retain());  // clears the retained one

  MqttMessage answer = Message("t/bus/out/c", "answer");
  answer.correlation_data = std::string("c-42\0x", 6);
  answer.expiry_seconds = 20;
  const std::vector<MqttMessage> out = {Message("t/bus/out/a", "one"),
                                        Message("t/bus/out/b", "zero", 0), answer};
  for (const auto& m : out) c.session.Publish(m);
  for (const auto& m : out) {
    const auto seen = watch.WaitFor(m.topic);
    ASSERT_TRUE(seen) << m.topic;
    EXPECT_EQ(seen->payload, m.payload);
    EXPECT_EQ(seen->qos, m.qos);
    if (m.correlation_data) {
      EXPECT_EQ(seen->correlation_data, "c-42");  // printed up to the NUL
    }
    EXPECT_EQ(seen->expiry_seconds.has_value(), m.expiry_seconds.has_value());
  }
}

// Paho acknowledges a QoS 1 message as it reads it; what the answer decides is whether the
// message is offered to the logic again.
TEST(PahoSession, AMessageNotTakenIsOfferedAgainAndAnswersInsideTheArrivalGoOut) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  Watch watch(broker, {"t/bus/response"});
  Client c(Options({broker.Port()}));
  int refusals = 2;
  c.events.answer = [&](const MqttMessage& m) {
    if (m.payload == "refused" && refusals-- > 0) return false;
    c.session.Publish(Message("t/bus/response", "answer to " + m.payload));
    return true;
  };
  c.session.Start();
  ASSERT_TRUE(c.WaitConnected());
  ASSERT_TRUE(Publish(broker, kRequest, "refused"));
  ASSERT_TRUE(Publish(broker, kRequest, "taken"));
  ASSERT_TRUE(watch.WaitFor("t/bus/response",
                            [](const Seen& s) { return s.payload == "answer to taken"; }));
  EXPECT_EQ(c.events.Count("refused"), 3);
  EXPECT_EQ(c.events.Count("taken"), 1);
  // Offered again before anything after it: the order of requests holds.
  EXPECT_EQ(c.events.arrived.back().payload, "taken");
  EXPECT_EQ(watch.Count("t/bus/response"), 2u);
}

TEST(PahoSession, ACutConnectionLeavesTheWillAndTheSessionComesBackOnline) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  BrokerProxy proxy(broker.Port());
  Client c(Options({proxy.Port()}));
  c.session.Start();
  ASSERT_TRUE(c.WaitConnected());
  {
    Watch watch(broker, {kStatus});
    ASSERT_TRUE(watch.WaitFor(kStatus, [](const Seen& s) { return s.payload == kOnline; }));
    proxy.Cut();
    ASSERT_TRUE(watch.WaitFor(kStatus, [](const Seen& s) { return s.payload == kWill; }));
  }
  ASSERT_TRUE(ServeUntil([&] { return !c.events.lost.empty(); }));
  // Paho reconnects by itself; the logic is told, and says it is online again.
  ASSERT_TRUE(c.WaitConnected(2));
  Watch after(broker, {kStatus});
  const auto status = after.WaitFor(kStatus, [](const Seen& s) { return s.payload == kOnline; });
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->retained);
}

TEST(PahoSession, AfterABrokerRestartItSubscribesAgainAndWhatWaitedGoesOutInOrder) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  Client c(Options({broker.Port()}));
  c.session.Start();
  ASSERT_TRUE(c.WaitConnected());
  broker.Stop();
  ASSERT_TRUE(ServeUntil([&] { return !c.events.lost.empty(); }));
  for (const char* value : {"1", "2", "3"})
    c.session.Publish(Message("t/bus/count", value, 1, true));
  ASSERT_TRUE(broker.Restart()) << broker.Log();
  ASSERT_TRUE(c.WaitConnected(2));
  Watch watch(broker, {"t/bus/count", kStatus});
  const auto count = watch.WaitFor("t/bus/count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->payload, "3");
  EXPECT_TRUE(watch.WaitFor(kStatus, [](const Seen& s) { return s.payload == kOnline; }));
  ASSERT_TRUE(Publish(broker, kRequest, "after the restart"));
  EXPECT_TRUE(ServeUntil([&] { return c.events.Count("after the restart") == 1; }));
}

TEST(PahoSession, ABrokerThatSpeaksOnly311IsSpokenToIn311) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  BrokerProxy old_broker(broker.Port(), /*refuse_v5=*/true);
  Watch watch(broker, {"t/bus/early"});
  Client c(Options({old_broker.Port()}));
  // Published before any broker was reached: kept until the protocol is settled.
  c.session.Publish(Message("t/bus/early", "waited"));
  c.session.Start();
  ASSERT_TRUE(c.WaitConnected());
  EXPECT_GE(old_broker.Refused(), 1);
  EXPECT_EQ(c.session.ProtocolVersion(), 4);
  EXPECT_TRUE(watch.WaitFor("t/bus/early"));
  ASSERT_TRUE(Publish(broker, kRequest, "hello", PublishOptions().ResponseTopic("reply/here")));
  ASSERT_TRUE(ServeUntil([&] { return c.events.Count("hello") == 1; }));
  EXPECT_FALSE(c.events.arrived.back().response_topic);  // 3.1.1 has no properties
}

TEST(PahoSession, BrokersAreTriedInOrderAndAgainUntilOneAnswers) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  Mosquitto gone;
  const int dead = gone.Port();
  gone.Stop();
  {
    Client failover(Options({dead, broker.Port()}));
    failover.session.Start();
    EXPECT_TRUE(failover.WaitConnected());
  }
  broker.Stop();
  Client c(Options({broker.Port()}));
  c.session.Start();
  ASSERT_TRUE(ServeUntil([&] { return c.notices.size() >= 2; }));
  EXPECT_NE(c.notices.front().find("cannot reach the broker"), std::string::npos)
      << c.notices.front();
  ASSERT_TRUE(broker.Restart());
  ASSERT_TRUE(c.WaitConnected());
  EXPECT_EQ(c.notices.back(), "connected to the broker");
}

TEST(PahoSession, CloseLetsWhatWasPublishedLeaveAndLeavesNoWill) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running()) << broker.Log();
  Watch watch(broker, {"t/bus/n", "t/bus/end", kStatus});
  {
    Client c(Options({broker.Port()}));
    c.session.Start();
    ASSERT_TRUE(c.WaitConnected());
    // More than the broker's receive maximum (20 in mosquitto), published at once.
    for (int i = 0; i < 200; ++i) c.session.Publish(Message("t/bus/n", std::to_string(i)));
    c.session.Publish(Message(kStatus, R"({"state":"offline","reason":"stopped"})", 1, true));
    c.session.Close(std::chrono::milliseconds(5000));
  }
  ASSERT_TRUE(watch.WaitFor(
      kStatus, [](const Seen& s) { return s.payload != kOnline; }, 3000))
      << watch.Count("t/bus/n") << " " << watch.Count(kStatus);
  std::vector<std::string> numbers;
  for (const auto& s : watch.Messages())
    if (s.topic == "t/bus/n") numbers.push_back(s.payload);
  ASSERT_EQ(numbers.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(numbers[static_cast<std::size_t>(i)], std::to_string(i));
  // A Will would have come at the disconnect, before a message published after it.
  ASSERT_TRUE(Publish(broker, "t/bus/end", "end"));
  ASSERT_TRUE(watch.WaitFor("t/bus/end"));
  for (const auto& s : watch.Messages()) EXPECT_NE(s.payload, kWill);
}

}  // namespace
}  // namespace tvx::e2e
