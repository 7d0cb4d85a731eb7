#include "tests/gateway/gateway_fixture.h"

#include <variant>

namespace tvx::testing {

gateway::Formats TestFormats() {
  return {[](const console::JournalEntry& e) {
            return gateway::JsonObject()
                .Add("status", gateway::Latin1ToUtf8(e.status))
                .Add("outcome", e.written ? "written" : "not written")
                .Add("error", e.error)
                .Add("bytes", static_cast<std::int64_t>(e.Bytes().size()))
                .Text();
          },
          [](const sim::Device& d) {
            return gateway::JsonObject()
                .Add("serial", d.identity.serial)
                .Add("packets", static_cast<std::int64_t>(d.packets))
                .Text();
          }};
}

gateway::Options GatewayTest::DefaultOptions() {
  gateway::Options o;
  o.bus = "line3";
  o.prefix = "plant/area2";
  o.link = protocol::Link::Tcp;
  o.bus_description = "tcp:127.0.0.1:4001";
  o.version = "1.0.0";
  return o;
}

void GatewayTest::Start(gateway::Options options, bool link_up) {
  gw = std::make_unique<gateway::Gateway>(std::move(options), session, link, wall, TestFormats(),
                                          &journal, queue);
  for (window::Timer* t : gw->Timers()) clock.Attach(*t);
  gw->Connected();
  if (link_up) gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
}

void GatewayTest::Request(const std::string& payload, bool retained,
                          std::optional<std::int64_t> expiry_s,
                          std::optional<std::string> response_topic,
                          std::optional<std::string> correlation) {
  gateway::MqttMessage m;
  m.topic = gw->Topic("request");
  m.payload = payload;
  m.retained = retained;
  m.expiry_seconds = expiry_s;
  m.response_topic = std::move(response_topic);
  m.correlation_data = std::move(correlation);
  EXPECT_TRUE(gw->MessageArrived(m));
}

std::string GatewayTest::RequestJson(const std::string& id, const std::string& command,
                                     const std::string& fields_json, const std::string& more) {
  return "{\"id\":\"" + id + "\",\"command\":\"" + command + "\",\"fields\":" + fields_json + more +
         "}";
}

std::vector<gateway::MqttMessage> GatewayTest::On(const std::string& leaf) const {
  std::vector<gateway::MqttMessage> out;
  for (const auto& m : session.published) {
    if (m.topic == gw->Topic(leaf)) out.push_back(m);
  }
  return out;
}

std::vector<gateway::JsonValue> GatewayTest::Answers() const {
  std::vector<gateway::JsonValue> out;
  for (const auto& m : On("response")) {
    auto parsed = gateway::ParseJson(m.payload);
    EXPECT_TRUE(std::holds_alternative<gateway::JsonValue>(parsed)) << m.payload;
    if (auto* v = std::get_if<gateway::JsonValue>(&parsed)) out.push_back(*v);
  }
  return out;
}

gateway::JsonValue GatewayTest::LastAnswer() const {
  const auto all = Answers();
  return all.empty() ? gateway::JsonValue{} : all.back();
}

std::string GatewayTest::ResultOf(const std::string& id) const {
  std::string result;
  for (const auto& a : Answers()) {
    if (Member(a, "id") == id) result += (result.empty() ? "" : ",") + Member(a, "result");
  }
  return result;
}

std::string Member(const gateway::JsonValue& v, const std::string& name) {
  const gateway::JsonValue* m = v.Find(name);
  if (!m) return "";
  if (m->type == gateway::JsonValue::Type::kNull) return "null";
  if (m->type == gateway::JsonValue::Type::kObject) return "{object}";
  return m->text;
}

}  // namespace tvx::testing
