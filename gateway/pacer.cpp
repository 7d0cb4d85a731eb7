#include "gateway/pacer.h"

#include <algorithm>

namespace tvx::gateway {

std::string Job::Bytes() const {
  std::string bytes;
  for (const std::string& unit : units) bytes += unit;
  return bytes;
}

Pacer::Pacer(int pace_ms, std::size_t capacity, BusLink& link, Hooks hooks)
    : pace_ms_(std::max(1, pace_ms)),
      capacity_(capacity),
      link_(link),
      hooks_(std::move(hooks)),
      timer_("GatewayPace", pace_ms_, false) {
  timer_.on_tick = [this] { Tick(); };
}

bool Pacer::Add(std::unique_ptr<Job>& job) {
  if (hooks_.now_utc_ms() >= job->deadline_utc_ms) {
    hooks_.ended(std::move(job), {JobEnd::kExpired, {}});
    return true;
  }
  if (queue_.size() >= capacity_) return false;
  queue_.push_back(std::move(job));
  if (paced_ && link_up_) {
    WriteNext();
  } else if (!timer_.Enabled()) {
    timer_.SetEnabled(true);  // its deadline is watched while it waits
  }
  return true;
}

void Pacer::SetLinkUp(bool up, const std::string& error) {
  link_up_ = up;
  link_error_ = error;
  if (writing_) return;  // a link that reports from inside Write: settled after the write
  if (!up && grid_) {
    // Its remaining positions would reach the devices long after the first ones.
    hooks_.ended(std::move(grid_), {JobEnd::kFailed, "the link went down part way: " + error});
  }
  if (up && paced_) WriteNext();
}

void Pacer::Stop(bool keep_waiting) {
  timer_.SetEnabled(false);
  if (grid_) hooks_.ended(std::move(grid_), {JobEnd::kStopped, {}});
  // The durable queue holds its requests for the next start; a console's packets are in no
  // durable queue and are ended (reported) here.
  if (keep_waiting)
    std::erase_if(queue_, [](const std::unique_ptr<Job>& job) { return job->seq != 0; });
  while (!queue_.empty()) {
    std::unique_ptr<Job> job = std::move(queue_.front());
    queue_.pop_front();
    hooks_.ended(std::move(job), {JobEnd::kStopped, {}});
  }
}

void Pacer::Tick() {
  paced_ = true;
  Expire();
  ticking_ = true;
  const bool wrote = link_up_ && WriteNext();
  ticking_ = false;
  if (wrote) return;
  if (queue_.empty() && !grid_) timer_.SetEnabled(false);
}

void Pacer::Expire() {
  const std::int64_t now = hooks_.now_utc_ms();
  const auto due = [now](const std::unique_ptr<Job>& job) { return now >= job->deadline_utc_ms; };
  if (std::none_of(queue_.begin(), queue_.end(), due)) return;
  // Ended in queue order; the rest keep theirs.
  std::deque<std::unique_ptr<Job>> kept;
  std::deque<std::unique_ptr<Job>> gone;
  for (auto& job : queue_) (due(job) ? gone : kept).push_back(std::move(job));
  queue_ = std::move(kept);
  for (auto& job : gone) hooks_.ended(std::move(job), {JobEnd::kExpired, {}});
}

bool Pacer::WriteNext() {
  // A second grid waits for the first: two grids' positions would mix on the boards.
  const bool queue_ready = !queue_.empty() && !(grid_ && queue_.front()->units.size() > 1);
  std::unique_ptr<Job> single;
  Job* job = nullptr;
  if (grid_ && (grid_turn_ || !queue_ready)) {
    job = grid_.get();
  } else if (queue_ready) {
    std::unique_ptr<Job> next = std::move(queue_.front());
    queue_.pop_front();
    if (hooks_.now_utc_ms() >= next->deadline_utc_ms) {
      hooks_.ended(std::move(next), {JobEnd::kExpired, {}});
      return WriteNext();
    }
    if (next->units.size() > 1) {
      grid_ = std::move(next);
      job = grid_.get();
    } else {
      single = std::move(next);
      job = single.get();
    }
  } else {
    return false;
  }
  if (hooks_.writing) hooks_.writing(*job);
  const std::string& unit = job->units[job->next++];
  writing_ = true;
  const WriteResult result = link_.Write(unit);
  writing_ = false;
  job->went += result.ok ? unit.size() : std::min(result.bytes, unit.size());
  grid_turn_ = job != grid_.get();
  Wrote();
  hooks_.wrote(*job, unit, result);
  const bool failed = !result.ok;
  if (failed || job->next == job->units.size()) {
    std::unique_ptr<Job> done = single ? std::move(single) : std::move(grid_);
    hooks_.ended(std::move(done),
                 {failed ? JobEnd::kFailed : JobEnd::kWritten, failed ? result.error : ""});
  } else if (!link_up_) {
    SetLinkUp(false, link_error_);
  }
  return true;
}

void Pacer::Wrote() {
  paced_ = false;
  // On a tick that came on time the countdown runs on from its own due time: restarting it
  // after the write would add each write's time to every pace (a backlog at 10 ms went out
  // at ~11 ms). A late tick restarts it, so that the next unit is still a whole pace behind.
  const std::int64_t now = hooks_.now_utc_ms();
  const bool on_time = now - last_unit_ms_ <= pace_ms_ + 1 && now >= last_unit_ms_;
  last_unit_ms_ = now;
  if (ticking_ && on_time && timer_.Enabled()) return;
  if (timer_.Enabled()) {
    timer_.SetInterval(pace_ms_);  // restarts the countdown from this unit
  } else {
    timer_.SetEnabled(true);
  }
}

}  // namespace tvx::gateway
