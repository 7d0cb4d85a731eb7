#include "gateway/shared_port.h"

#include <algorithm>
#include <vector>

#include "protocol/control_bytes.h"

namespace tvx::gateway {

namespace {

constexpr char kNotWritten[] =
    "; never written: a packet cut short would corrupt the next one on the bus";

}  // namespace

std::string RefusalOf(const protocol::DecodedItem& item) {
  const auto* error = std::get_if<protocol::DecodeError>(&item);
  if (!error || error->reason == protocol::kBytesOutsidePacket) return {};
  const std::string& b = error->bytes;
  const bool framed = b.size() >= 2 && b.front() == protocol::STX && b.back() == protocol::EOT;
  return framed ? std::string() : error->reason + kNotWritten;
}

SharedPort::SharedPort(int pace_ms, Hooks hooks)
    : pace_ms_(std::max(1, pace_ms)),
      hooks_(std::move(hooks)),
      timer_("GatewayConsoles", 1, false) {
  timer_.on_tick = [this] { Tick(); };
}

void SharedPort::Item(const std::string& source, protocol::DecodedItem&& item) {
  if (stopped_) return;
  std::string why = RefusalOf(item);
  std::string bytes = std::visit([](auto& i) { return std::move(i.bytes); }, item);
  sources_[source].inbox.push_back({std::move(bytes), std::move(why)});
  Pump(source, hooks_.now_utc_ms());
}

void SharedPort::Ended(const std::string& source) {
  const auto it = sources_.find(source);
  if (it == sources_.end()) return;
  it->second.queued = false;
  // Not from here: the queue is in the middle of its own step.
  Arm(hooks_.now_utc_ms());
}

void SharedPort::Pump(const std::string& name, std::int64_t now) {
  const auto it = sources_.find(name);
  if (it == sources_.end()) return;
  Source& s = it->second;
  while (!stopped_ && !s.queued && s.due_ms <= now && !s.inbox.empty()) {
    Pending& next = s.inbox.front();
    if (!next.why.empty()) {
      hooks_.refused(name, next.bytes, next.why);
      s.inbox.pop_front();
      // One report per pace: a stream of garbage cannot flood the broker.
      s.due_ms = now + pace_ms_;
      continue;
    }
    auto job = std::make_unique<Job>();
    job->source = name;
    job->console = true;
    job->asked.received_utc_ms = now;
    job->units.push_back(std::move(next.bytes));
    s.queued = true;  // before Add: a unit written at once ends inside it
    if (!hooks_.add(job)) {
      s.queued = false;
      next.bytes = std::move(job->units.front());
      s.due_ms = now + pace_ms_;  // the queue is full: try again a pace later
      break;
    }
    s.inbox.pop_front();
  }
  if (!stopped_ && s.inbox.empty() && !s.queued && s.due_ms <= now) {
    sources_.erase(it);
    if (hooks_.resume) hooks_.resume(name);
    return;
  }
  Arm(now);
}

void SharedPort::Tick() {
  const std::int64_t now = hooks_.now_utc_ms();
  std::vector<std::string> names;
  for (const auto& [name, s] : sources_) {
    if (!s.queued && s.due_ms <= now) names.push_back(name);
  }
  for (const std::string& name : names) Pump(name, now);
  Arm(now);
}

void SharedPort::Arm(std::int64_t now) {
  std::int64_t next = -1;
  for (const auto& [name, s] : sources_) {
    if (s.queued) continue;
    const std::int64_t at = std::max(s.due_ms, now + 1);
    if (next < 0 || at < next) next = at;
  }
  if (stopped_ || next < 0) {
    timer_.SetEnabled(false);
    return;
  }
  timer_.SetInterval(static_cast<int>(std::min<std::int64_t>(next - now, pace_ms_)));
  timer_.SetEnabled(true);
}

void SharedPort::Stop() {
  stopped_ = true;
  timer_.SetEnabled(false);
  for (auto& [name, s] : sources_) {
    for (const Pending& p : s.inbox) {
      if (p.why.empty()) hooks_.refused(name, p.bytes, kConsoleStopped);
    }
    s.inbox.clear();
  }
}

}  // namespace tvx::gateway
