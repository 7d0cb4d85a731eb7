#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "andon/layout.h"
#include "console/command_runner.h"
#include "console/journal.h"
#include "protocol/link.h"

// A request as the broker brings it, and what the console makes of it.
namespace tvx::gateway {

inline constexpr std::size_t kMaxIdCharacters = 128;

struct Request {
  std::string id;
  std::string command;
  std::vector<std::pair<std::string, std::string>> fields;  // UTF-8, as given
  std::optional<andon::GridLayout> grid;
  std::optional<std::int64_t> expires_utc_ms;
};

// Not a request the gateway can run; the id when it could be read.
struct RequestError {
  std::optional<std::string> id;
  std::string message;
};

[[nodiscard]] std::variant<Request, RequestError> ParseRequest(std::string_view payload);

// The command run as the console runs it on the bus's link.
struct Prepared {
  console::CommandOutcome outcome;
  // What goes out one per pace: the pieces of one dispatcher tick (an andon grid position).
  std::vector<std::string> units;
  std::optional<console::AndonTally> tally;  // an andon grid's cells set
};

struct Refusal {
  bool invalid = true;  // false: the console's own check refused the fields ("rejected")
  std::string text;     // UTF-8
};

[[nodiscard]] std::variant<Prepared, Refusal> Prepare(const Request& request, protocol::Link link);

// The time a request may wait until, and what passed then.
struct Deadline {
  std::int64_t at_utc_ms = 0;
  std::string why;
};

// The earliest of a request's limits: the gateway's --max-age (0: none), the message's expiry
// interval, the request's own "expires"; on a tie the first in that order says why. None when
// it has none.
[[nodiscard]] std::optional<Deadline> EarliestDeadline(std::int64_t received_utc_ms,
                                                       std::int64_t max_age_s,
                                                       std::optional<std::int64_t> expiry_seconds,
                                                       std::optional<std::int64_t> expires_utc_ms);

// A request read again from its message after the gateway stopped while writing unit
// writing_unit of it: its id, all of its bytes, and for a grid the positions before that unit.
struct InterruptedRequest {
  std::optional<std::string> id;
  std::string bytes;
  std::optional<std::size_t> positions;
};
[[nodiscard]] InterruptedRequest ReadInterrupted(std::string_view payload, std::size_t writing_unit,
                                                 protocol::Link link);

}  // namespace tvx::gateway
