#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The gateway's times: ISO 8601 in UTC with milliseconds, "2026-12-08T12:00:00.000Z".
namespace tvx::gateway {

std::string IsoUtc(std::int64_t utc_ms);

// A date and time with its offset ("Z", "+01:00", "-0500"); the fraction is optional and
// read to the millisecond. Nothing for a text that is not one, or names no real moment.
[[nodiscard]] std::optional<std::int64_t> ParseIsoTime(std::string_view text);

}  // namespace tvx::gateway
