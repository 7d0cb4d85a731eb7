#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The answers to requests, as B/response carries them. Every text is UTF-8.
namespace tvx::gateway {

namespace result {
inline constexpr char kWritten[] = "written";
inline constexpr char kRejected[] = "rejected";
inline constexpr char kInvalid[] = "invalid";
inline constexpr char kFailed[] = "failed";
inline constexpr char kExpired[] = "expired";
inline constexpr char kBusy[] = "busy";
inline constexpr char kDuplicate[] = "duplicate";
inline constexpr char kInterrupted[] = "interrupted";
}  // namespace result

struct Answer {
  std::string result;
  std::string json;
};

// What every answer holds: the id (null when it could not be read) and when the request came.
struct Asked {
  std::optional<std::string> id;
  std::int64_t received_utc_ms = 0;
};

Answer InvalidAnswer(const Asked& asked, std::string_view error);
Answer RejectedAnswer(const Asked& asked, std::string_view status);
Answer BusyAnswer(const Asked& asked, std::size_t queue);
Answer ExpiredAnswer(const Asked& asked, std::string_view why);
// bytes: the whole packet's (or grid's) bytes.
Answer WrittenAnswer(const Asked& asked, std::string_view status, std::string_view bytes,
                     std::int64_t written_utc_ms);
// went: how many of bytes the link took.
Answer FailedAnswer(const Asked& asked, std::string_view error, std::string_view bytes,
                    std::size_t went, std::int64_t failed_utc_ms);
Answer DuplicateAnswer(const Asked& asked, std::string_view original_json);
// The gateway stopped while writing it: went of bytes certainly went; positions, for an andon
// grid, how many of its positions did.
Answer InterruptedAnswer(const Asked& asked, std::string_view error, std::string_view bytes,
                         std::size_t went, std::optional<std::size_t> positions,
                         std::int64_t at_utc_ms);

}  // namespace tvx::gateway
