#include "gateway/answers.h"

#include "gateway/iso_time.h"
#include "gateway/json.h"
#include "protocol/display.h"

namespace tvx::gateway {

namespace {

JsonObject Start(const Asked& asked, const char* result) {
  JsonObject o;
  if (asked.id) {
    o.Add("id", *asked.id);
  } else {
    o.AddNull("id");
  }
  o.Add("result", result);
  return o;
}

JsonObject& Packet(JsonObject& o, std::string_view bytes) {
  return o.Add("tokens", protocol::TokenText(bytes)).Add("hex", protocol::HexText(bytes));
}

Answer Done(const char* result, JsonObject& o, const Asked& asked) {
  o.Add("received", IsoUtc(asked.received_utc_ms));
  return {result, o.Text()};
}

}  // namespace

Answer InvalidAnswer(const Asked& asked, std::string_view error) {
  JsonObject o = Start(asked, result::kInvalid);
  o.Add("error", error);
  return Done(result::kInvalid, o, asked);
}

Answer RejectedAnswer(const Asked& asked, std::string_view status) {
  JsonObject o = Start(asked, result::kRejected);
  o.Add("status", status);
  return Done(result::kRejected, o, asked);
}

Answer BusyAnswer(const Asked& asked, std::size_t queue) {
  JsonObject o = Start(asked, result::kBusy);
  o.Add("error",
        "the queue holds " + std::to_string(queue) + " requests already; send it again later");
  return Done(result::kBusy, o, asked);
}

Answer ExpiredAnswer(const Asked& asked, std::string_view why) {
  JsonObject o = Start(asked, result::kExpired);
  o.Add("error", why);
  return Done(result::kExpired, o, asked);
}

Answer WrittenAnswer(const Asked& asked, std::string_view status, std::string_view bytes,
                     std::int64_t written_utc_ms) {
  JsonObject o = Start(asked, result::kWritten);
  o.Add("status", status);
  Packet(o, bytes).Add("bytes", static_cast<std::int64_t>(bytes.size()));
  Done(result::kWritten, o, asked);
  o.Add("written", IsoUtc(written_utc_ms));
  return {result::kWritten, o.Text()};
}

Answer FailedAnswer(const Asked& asked, std::string_view error, std::string_view bytes,
                    std::size_t went, std::int64_t failed_utc_ms) {
  JsonObject o = Start(asked, result::kFailed);
  o.Add("error", error);
  Packet(o, bytes).Add("bytes", static_cast<std::int64_t>(went));
  Done(result::kFailed, o, asked);
  o.Add("failed", IsoUtc(failed_utc_ms));
  return {result::kFailed, o.Text()};
}

Answer InterruptedAnswer(const Asked& asked, std::string_view error, std::string_view bytes,
                         std::size_t went, std::optional<std::size_t> positions,
                         std::int64_t at_utc_ms) {
  JsonObject o = Start(asked, result::kInterrupted);
  o.Add("error", error);
  Packet(o, bytes).Add("bytes", static_cast<std::int64_t>(went));
  if (positions) o.Add("positions", static_cast<std::int64_t>(*positions));
  Done(result::kInterrupted, o, asked);
  o.Add("interrupted", IsoUtc(at_utc_ms));
  return {result::kInterrupted, o.Text()};
}

Answer DuplicateAnswer(const Asked& asked, std::string_view original_json) {
  JsonObject o = Start(asked, result::kDuplicate);
  o.AddRaw("original", original_json);
  return Done(result::kDuplicate, o, asked);
}

}  // namespace tvx::gateway
