#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gateway/gateway.h"
#include "gateway/json.h"
#include "window/timer.h"

// A gateway on recording doubles in virtual time: the broker session keeps what is published,
// the bus link keeps each unit with the virtual time it was written at.
namespace tvx::testing {

struct RecordingSession : gateway::MqttSession {
  void Publish(const gateway::MqttMessage& message) override { published.push_back(message); }
  std::vector<gateway::MqttMessage> published;
};

struct Write {
  std::int64_t at_ms;
  std::string bytes;
};

struct RecordingLink : gateway::BusLink {
  explicit RecordingLink(const window::VirtualClock& c) : clock(c) {}
  gateway::WriteResult Write(std::string_view bytes) override {
    if (during_write) std::exchange(during_write, nullptr)();
    if (!failures.empty()) {
      gateway::WriteResult r = failures.front();
      failures.pop_front();
      if (r.bytes > 0) writes.push_back({clock.Now(), std::string(bytes.substr(0, r.bytes))});
      return r;
    }
    writes.push_back({clock.Now(), std::string(bytes)});
    return {true, "", bytes.size()};
  }
  const window::VirtualClock& clock;
  std::vector<testing::Write> writes;
  std::deque<gateway::WriteResult> failures;  // the next writes' answers
  std::function<void()> during_write;         // once, inside the next write
};

// 2026-12-08T12:00:00.000Z plus the virtual time.
inline constexpr std::int64_t kStartUtcMs = 1796731200000;

struct VirtualWallClock : gateway::WallClock {
  explicit VirtualWallClock(const window::VirtualClock& c) : clock(c) {}
  console::JournalTime Now() override { return {kStartUtcMs + clock.Now(), 0}; }
  const window::VirtualClock& clock;
};

struct RecordingJournal : gateway::JournalSink {
  void Record(const console::JournalEntry& entry) override { entries.push_back(entry); }
  std::vector<console::JournalEntry> entries;
};

// Stand-ins for the files' formats: enough to see which entry or device was published.
gateway::Formats TestFormats();

class GatewayTest : public ::testing::Test {
 protected:
  static gateway::Options DefaultOptions();

  // Builds the gateway, connects it to the broker and brings the link up.
  void Start(gateway::Options options = DefaultOptions(), bool link_up = true);
  void Advance(std::int64_t ms) { clock.Advance(ms); }

  // Publishes a request as the broker delivers it.
  void Request(const std::string& payload, bool retained = false,
               std::optional<std::int64_t> expiry_s = std::nullopt,
               std::optional<std::string> response_topic = std::nullopt,
               std::optional<std::string> correlation = std::nullopt);
  std::string RequestJson(const std::string& id, const std::string& command,
                          const std::string& fields_json, const std::string& more = "");

  // What went to a topic ("response", "status", ...) under the bus, in order.
  std::vector<gateway::MqttMessage> On(const std::string& leaf) const;
  // The answers on B/response, parsed.
  std::vector<gateway::JsonValue> Answers() const;
  gateway::JsonValue LastAnswer() const;
  std::string ResultOf(const std::string& id) const;

  window::VirtualClock clock;
  RecordingSession session;
  RecordingLink link{clock};
  VirtualWallClock wall{clock};
  RecordingJournal journal;
  gateway::QueueStore* queue = nullptr;  // the durable queue the next Start gives
  std::unique_ptr<gateway::Gateway> gw;
};

// A member's text, "" when absent; null as "null".
std::string Member(const gateway::JsonValue& v, const std::string& name);

}  // namespace tvx::testing
