// A request as the broker may bring it, any bytes: it is read or refused with a reason, never
// more; an id that is kept is a readable one; what is prepared has something to write.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "gateway/json.h"
#include "gateway/request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view payload(reinterpret_cast<const char*>(data), size);
  const auto parsed = tvx::gateway::ParseRequest(payload);
  if (const auto* e = std::get_if<tvx::gateway::RequestError>(&parsed)) {
    if (e->message.empty()) std::abort();
    if (e->id && (e->id->empty() || e->id->size() > 4 * tvx::gateway::kMaxIdCharacters))
      std::abort();
    // The answer carries the reason and the id: both must make valid JSON.
    const std::string answer =
        tvx::gateway::JsonObject().Add("id", e->id.value_or("")).Add("error", e->message).Text();
    if (!std::holds_alternative<tvx::gateway::JsonValue>(tvx::gateway::ParseJson(answer)))
      std::abort();
    return 0;
  }
  const auto& request = std::get<tvx::gateway::Request>(parsed);
  if (request.id.empty() || request.command.empty()) std::abort();
  const auto prepared = tvx::gateway::Prepare(request, tvx::protocol::Link::Serial);
  if (const auto* p = std::get_if<tvx::gateway::Prepared>(&prepared)) {
    if (p->units.empty()) std::abort();
    for (const auto& unit : p->units) {
      if (unit.empty()) std::abort();
    }
  }
  return 0;
}
