#include "gateway/queue_log.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "gateway/json.h"

namespace tvx::gateway {

namespace {

// Payloads, topics and correlation data are bytes as the broker brought them: kept as hex, so
// any of them survives the file unchanged.
std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    const auto r = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (r.ec != std::errc() || r.ptr != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

template <class T>
std::optional<T> Number(const JsonValue& object, std::string_view name) {
  const JsonValue* v = object.Find(name);
  if (v == nullptr || v->type != JsonValue::Type::kNumber) return std::nullopt;
  T value{};
  const auto r = std::from_chars(v->text.data(), v->text.data() + v->text.size(), value);
  if (r.ec != std::errc() || r.ptr != v->text.data() + v->text.size()) return std::nullopt;
  return value;
}

const std::string* String(const JsonValue& object, std::string_view name) {
  const JsonValue* v = object.Find(name);
  return v != nullptr && v->type == JsonValue::Type::kString ? &v->text : nullptr;
}

std::optional<std::string> HexMember(const JsonValue& object, std::string_view name) {
  const std::string* s = String(object, name);
  return s ? FromHex(*s) : std::nullopt;
}

std::string RequestLine(const QueuedRequest& r) {
  JsonObject o;
  o.Add("request", static_cast<std::int64_t>(r.seq))
      .Add("received", r.received_utc_ms)
      .Add("topic", Hex(r.message.topic))
      .Add("payload", Hex(r.message.payload))
      .Add("retained", r.message.retained);
  if (r.message.redelivered) o.Add("redelivered", true);
  if (r.message.response_topic) o.Add("response_topic", Hex(*r.message.response_topic));
  if (r.message.correlation_data) o.Add("correlation", Hex(*r.message.correlation_data));
  if (r.message.expiry_seconds) o.Add("expiry", *r.message.expiry_seconds);
  return o.Text() + "\n";
}

std::string WritingLine(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) {
  return JsonObject()
             .Add("writing", static_cast<std::int64_t>(seq))
             .Add("unit", static_cast<std::int64_t>(unit))
             .Add("bytes", static_cast<std::int64_t>(bytes_before))
             .Text() +
         "\n";
}

// undelivered: where the answer still has to go; nullptr once the broker took it.
std::string AnsweredLine(std::uint64_t seq, const std::optional<std::string>& id,
                         const std::string& answer, std::int64_t at,
                         const UndeliveredAnswer* undelivered) {
  JsonObject o;
  o.Add("answered", static_cast<std::int64_t>(seq)).Add("at", at);
  if (id) o.Add("id", *id);
  if (!answer.empty()) o.Add("answer", answer);
  if (undelivered == nullptr) {
    o.Add("delivered", true);
  } else {
    if (undelivered->response_topic) o.Add("response_topic", Hex(*undelivered->response_topic));
    if (undelivered->correlation_data) o.Add("correlation", Hex(*undelivered->correlation_data));
  }
  return o.Text() + "\n";
}

}  // namespace

std::string QueueLog::Header(std::uint64_t next_seq) {
  // The next number, so that one never names two requests, even after a compaction.
  return JsonObject()
             .Add("format", kQueueFormatName)
             .Add("version", static_cast<std::int64_t>(kQueueFormatVersion))
             .Add("next", static_cast<std::int64_t>(next_seq))
             .Text() +
         "\n";
}

std::variant<QueueLog, std::string> QueueLog::Read(std::string_view text, std::int64_t now_utc_ms) {
  QueueLog log;
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {  // the last write was cut short
      ++log.torn_;
      break;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (first) {
      first = false;
      auto parsed = ParseJson(line);
      const JsonValue* header = std::get_if<JsonValue>(&parsed);
      const std::string* name = header ? String(*header, "format") : nullptr;
      if (name == nullptr || *name != kQueueFormatName) {
        // A header cut short is the first write of a new file: nothing was in it yet.
        if (text.empty()) {
          ++log.torn_;
          break;
        }
        return std::string("it is not a gateway queue file");
      }
      const auto version = Number<int>(*header, "version");
      if (!version || *version > kQueueFormatVersion) {
        return std::string("it was written by a newer version of the gateway (format ") +
               (version ? std::to_string(*version) : "?") + ")";
      }
      log.next_seq_ =
          std::max<std::uint64_t>(1, Number<std::uint64_t>(*header, "next").value_or(1));
      continue;
    }
    if (!log.Apply(line)) ++log.torn_;
  }
  log.Forget(now_utc_ms);
  return log;
}

bool QueueLog::Apply(std::string_view line) {
  auto parsed = ParseJson(line, {1 << 20, 4});
  const JsonValue* o = std::get_if<JsonValue>(&parsed);
  if (o == nullptr || o->type != JsonValue::Type::kObject) return false;
  if (const auto seq = Number<std::uint64_t>(*o, "request")) {
    QueuedRequest r;
    r.seq = *seq;
    const auto received = Number<std::int64_t>(*o, "received");
    auto topic = HexMember(*o, "topic");
    auto payload = HexMember(*o, "payload");
    const JsonValue* retained = o->Find("retained");
    if (!received || !topic || !payload || !retained) return false;
    r.received_utc_ms = *received;
    r.message.topic = std::move(*topic);
    r.message.payload = std::move(*payload);
    r.message.retained = retained->boolean;
    const JsonValue* redelivered = o->Find("redelivered");
    r.message.redelivered = redelivered && redelivered->boolean;
    r.message.sequence = r.seq;
    if (o->Find("response_topic") && !(r.message.response_topic = HexMember(*o, "response_topic")))
      return false;
    if (o->Find("correlation") && !(r.message.correlation_data = HexMember(*o, "correlation")))
      return false;
    if (o->Find("expiry") && !(r.message.expiry_seconds = Number<std::int64_t>(*o, "expiry")))
      return false;
    next_seq_ = std::max(next_seq_, r.seq + 1);
    open_[r.seq] = std::move(r);
    return true;
  }
  if (const auto seq = Number<std::uint64_t>(*o, "writing")) {
    const auto unit = Number<std::size_t>(*o, "unit");
    const auto bytes = Number<std::size_t>(*o, "bytes");
    if (!unit || !bytes) return false;
    if (auto it = open_.find(*seq); it != open_.end()) {
      it->second.writing_unit = *unit;
      it->second.bytes_before = *bytes;
    }
    return true;
  }
  if (const auto seq = Number<std::uint64_t>(*o, "answered")) {
    const auto at = Number<std::int64_t>(*o, "at");
    if (!at) return false;
    open_.erase(*seq);
    const std::string* id = String(*o, "id");
    const std::string* answer = String(*o, "answer");
    if (id && answer) answers_.push_back({*seq, *id, *answer, *at});
    const JsonValue* delivered = o->Find("delivered");
    if (answer && !(delivered && delivered->boolean))
      Undeliver(*seq, *answer, HexMember(*o, "response_topic"), HexMember(*o, "correlation"));
    return true;
  }
  if (const auto seq = Number<std::uint64_t>(*o, "delivered")) {
    undelivered_.erase(*seq);
    return true;
  }
  return false;
}

std::string QueueLog::Request(std::int64_t received_utc_ms, MqttMessage& message) {
  QueuedRequest r;
  r.seq = next_seq_++;
  r.received_utc_ms = received_utc_ms;
  message.sequence = r.seq;
  r.message = message;
  std::string line = RequestLine(r);
  open_[r.seq] = std::move(r);
  return line;
}

std::string QueueLog::Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) {
  if (auto it = open_.find(seq); it != open_.end()) {
    it->second.writing_unit = unit;
    it->second.bytes_before = bytes_before;
  }
  return WritingLine(seq, unit, bytes_before);
}

std::string QueueLog::Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                               const std::string& answer, std::int64_t at_utc_ms) {
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  if (auto it = open_.find(seq); it != open_.end()) {
    response_topic = it->second.message.response_topic;
    correlation_data = it->second.message.correlation_data;
    open_.erase(it);
  }
  if (keep_id && !answer.empty()) answers_.push_back({seq, *keep_id, answer, at_utc_ms});
  if (!answer.empty()) Undeliver(seq, answer, response_topic, correlation_data);
  Forget(at_utc_ms);
  const auto it = undelivered_.find(seq);
  return AnsweredLine(seq, keep_id, answer, at_utc_ms,
                      it == undelivered_.end() ? nullptr : &it->second);
}

std::string QueueLog::Delivered(std::uint64_t seq) {
  undelivered_.erase(seq);
  return JsonObject().Add("delivered", static_cast<std::int64_t>(seq)).Text() + "\n";
}

void QueueLog::Undeliver(std::uint64_t seq, const std::string& answer,
                         const std::optional<std::string>& response_topic,
                         const std::optional<std::string>& correlation_data) {
  undelivered_[seq] = {answer, response_topic, correlation_data};
  // A broker away for long: the oldest answers are given up first.
  while (undelivered_.size() > kMaxUndelivered) undelivered_.erase(undelivered_.begin());
}

std::string QueueLog::Compacted() const {
  std::string text = Header(next_seq_);
  const auto undelivered = [this](std::uint64_t seq) {
    const auto it = undelivered_.find(seq);
    return it == undelivered_.end() ? nullptr : &it->second;
  };
  for (const KeptAnswer& a : answers_)
    text += AnsweredLine(a.seq, a.id, a.answer, a.at_utc_ms, undelivered(a.seq));
  std::unordered_set<std::uint64_t> kept;
  for (const KeptAnswer& a : answers_) kept.insert(a.seq);
  for (const auto& [seq, u] : undelivered_) {
    if (!kept.contains(seq)) text += AnsweredLine(seq, std::nullopt, u.answer, 0, &u);
  }
  for (const auto& [seq, r] : open_) {
    text += RequestLine(r);
    if (r.writing_unit) text += WritingLine(seq, *r.writing_unit, r.bytes_before);
  }
  return text;
}

void QueueLog::Forget(std::int64_t now_utc_ms) {
  while (!answers_.empty() &&
         (answers_.size() > kMaxKept || now_utc_ms - answers_.front().at_utc_ms >= kKeptMs)) {
    answers_.pop_front();
  }
}

}  // namespace tvx::gateway
