#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "gateway/mqtt_session.h"

// The durable queue's records: one JSON object per line, the first line naming the format and
// its version. A request is recorded as it arrives, marked before each unit of its bytes goes
// out, and closed by its answer. What is live (open requests, answers still known for
// "duplicate") is kept here too, so that a compacted file holds only that.
namespace tvx::gateway {

inline constexpr int kQueueFormatVersion = 1;
inline constexpr char kQueueFormatName[] = "tvxorm-gateway-queue";

// A request the queue holds, as the broker brought it.
struct QueuedRequest {
  std::uint64_t seq = 0;
  std::int64_t received_utc_ms = 0;
  MqttMessage message;
  // Set once its bytes started to go out: the unit then being written and the bytes before it.
  std::optional<std::size_t> writing_unit;
  std::size_t bytes_before = 0;
};

// An answer not yet known to have reached the broker: published again at the next start.
struct UndeliveredAnswer {
  std::string answer;
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
};

struct KeptAnswer {
  std::uint64_t seq = 0;
  std::string id;
  std::string answer;  // the answer's JSON
  std::int64_t at_utc_ms = 0;
};

class QueueLog {
 public:
  static constexpr std::int64_t kKeptMs = 24 * 60 * 60 * 1000;
  static constexpr std::size_t kMaxKept = 100'000;
  static constexpr std::size_t kMaxUndelivered = 10'000;

  // The text of a queue file; records that cannot be read (a write cut short by a crash) are
  // skipped and counted. An error only for a file of another format or a newer version.
  [[nodiscard]] static std::variant<QueueLog, std::string> Read(std::string_view text,
                                                                std::int64_t now_utc_ms);

  // Each returns the record's line (newline included) and applies it here.
  std::string Request(std::int64_t received_utc_ms, MqttMessage& message);  // sets sequence
  std::string Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before);
  // keep_id: the id stays known for "duplicate"; empty answer: closed without one.
  std::string Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                       const std::string& answer, std::int64_t at_utc_ms);
  // The broker took the answer (no sync: at worst it is published once more).
  std::string Delivered(std::uint64_t seq);

  // What a compacted file holds: the header, the answers still known, the open requests.
  std::string Compacted() const;
  static std::string Header(std::uint64_t next_seq = 1);

  const std::map<std::uint64_t, QueuedRequest>& Open() const { return open_; }
  const std::deque<KeptAnswer>& Answers() const { return answers_; }
  const std::map<std::uint64_t, UndeliveredAnswer>& Undelivered() const { return undelivered_; }
  std::size_t Torn() const { return torn_; }

 private:
  bool Apply(std::string_view line);
  void Undeliver(std::uint64_t seq, const std::string& answer,
                 const std::optional<std::string>& response_topic,
                 const std::optional<std::string>& correlation_data);
  void Forget(std::int64_t now_utc_ms);

  std::map<std::uint64_t, QueuedRequest> open_;  // in arrival order
  std::deque<KeptAnswer> answers_;               // oldest first
  std::map<std::uint64_t, UndeliveredAnswer> undelivered_;
  std::uint64_t next_seq_ = 1;
  std::size_t torn_ = 0;
};

}  // namespace tvx::gateway
