#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/journal.h"
#include "gateway/answers.h"
#include "gateway/gateway.h"
#include "window/timer.h"

// The one queue of a bus and its pacing: at most one unit starts per pace, an idle bus takes
// a unit at once, and an andon grid in progress shares the pace with the requests that wait,
// one of its positions, then one of them, so a grid never holds the bus to itself.
namespace tvx::gateway {

inline constexpr std::int64_t kNoDeadline = std::numeric_limits<std::int64_t>::max();

// One request (or, later, a console's packet) on its way to the bus.
struct Job {
  std::string source = "mqtt";  // or "tcp:4001#3", a pty's path
  bool console = false;         // a console's unit from the shared port: nobody awaits an answer
  std::uint64_t seq = 0;        // its number in the durable queue; 0: not there
  Asked asked;
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  std::int64_t deadline_utc_ms = kNoDeadline;
  std::string deadline_why;        // what passed at the deadline
  std::vector<std::string> units;  // each goes out whole, one per pace
  std::string status;              // the console's status line (its characters)
  std::optional<console::AndonTally> tally;

  std::size_t next = 0;  // the next unit
  std::size_t went = 0;  // bytes the link took
  std::unique_ptr<console::Journal> journal;

  std::string Bytes() const;
};

struct JobEnd {
  enum Kind { kWritten, kFailed, kExpired, kStopped } kind = kWritten;
  std::string error;
};

class Pacer {
 public:
  struct Hooks {
    std::function<std::int64_t()> now_utc_ms;
    // Before each unit goes out (job.next is its index, job.went the bytes before it).
    std::function<void(Job&)> writing;
    // Each unit as the link answered it.
    std::function<void(Job&, std::string_view unit, const WriteResult&)> wrote;
    std::function<void(std::unique_ptr<Job>, const JobEnd&)> ended;
  };

  Pacer(int pace_ms, std::size_t capacity, BusLink& link, Hooks hooks);

  window::Timer& Timer() { return timer_; }

  // Queued, or ended at once when its deadline has passed. False when the queue is full: the
  // job stays with the caller.
  bool Add(std::unique_ptr<Job>& job);
  void SetLinkUp(bool up, const std::string& error);
  // Requests waiting their turn; a grid going out is not among them.
  std::size_t Waiting() const { return queue_.size(); }
  // Ends the grid part way out and every job waiting, except, when kept, the requests the durable
  // queue holds for the next start.
  void Stop(bool keep_waiting = false);

 private:
  void Tick();
  void Expire();
  bool WriteNext();
  void Wrote();

  int pace_ms_;
  std::size_t capacity_;
  BusLink& link_;
  Hooks hooks_;
  window::Timer timer_;
  std::deque<std::unique_ptr<Job>> queue_;
  std::unique_ptr<Job> grid_;  // a job of several units part way out
  bool grid_turn_ = false;
  bool paced_ = true;  // a pace has passed since the last unit
  bool link_up_ = false;
  std::string link_error_;
  bool writing_ = false;
  bool ticking_ = false;  // inside a tick of the running countdown
  std::int64_t last_unit_ms_ = 0;
};

}  // namespace tvx::gateway
