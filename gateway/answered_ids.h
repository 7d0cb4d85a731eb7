#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>

// The ids answered lately and their answers, for "duplicate". In memory: a restart forgets
// them. The oldest go first once they are a day old, or when there are too many to keep.
namespace tvx::gateway {

class AnsweredIds {
 public:
  static constexpr std::int64_t kKeptMs = 24 * 60 * 60 * 1000;
  static constexpr std::size_t kMaxKept = 100'000;

  explicit AnsweredIds(std::size_t max_kept = kMaxKept) : max_kept_(max_kept) {}

  // The answer given to id, or nullptr.
  const std::string* Find(const std::string& id, std::int64_t now_utc_ms);
  void Keep(const std::string& id, std::string answer, std::int64_t now_utc_ms);

 private:
  void Forget(std::int64_t now_utc_ms);

  std::size_t max_kept_;
  std::unordered_map<std::string, std::string> answers_;
  std::deque<std::pair<std::int64_t, std::string>> order_;  // when, id; oldest first
};

}  // namespace tvx::gateway
