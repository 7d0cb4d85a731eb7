#include "gateway/answered_ids.h"

namespace tvx::gateway {

const std::string* AnsweredIds::Find(const std::string& id, std::int64_t now_utc_ms) {
  Forget(now_utc_ms);
  const auto it = answers_.find(id);
  return it == answers_.end() ? nullptr : &it->second;
}

void AnsweredIds::Keep(const std::string& id, std::string answer, std::int64_t now_utc_ms) {
  if (!answers_.insert_or_assign(id, std::move(answer)).second) {
    // Kept again: its earlier place in the order would forget it too soon.
    for (auto it = order_.begin(); it != order_.end(); ++it) {
      if (it->second == id) {
        order_.erase(it);
        break;
      }
    }
  }
  order_.emplace_back(now_utc_ms, id);
  Forget(now_utc_ms);
}

void AnsweredIds::Forget(std::int64_t now_utc_ms) {
  while (!order_.empty() &&
         (order_.size() > max_kept_ || now_utc_ms - order_.front().first >= kKeptMs)) {
    answers_.erase(order_.front().second);
    order_.pop_front();
  }
}

}  // namespace tvx::gateway
