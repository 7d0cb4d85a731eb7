#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "gateway/pacer.h"
#include "protocol/decode.h"
#include "window/timer.h"

// What consoles write to the shared port, on its way into the bus's one queue. Each source
// (a TCP connection, a pty) has at most one unit in the queue at a time and is not read
// while it has one: a console that floods the port waits for its turn like everyone else,
// the queue never fills with one sender's bytes, and what it sent is held back by the
// connection itself, not by memory here.
namespace tvx::gateway {

// Why a console's unit that waited at a stop never went out.
inline constexpr char kConsoleStopped[] = "the gateway stopped before it was written";

class SharedPort {
 public:
  struct Hooks {
    std::function<std::int64_t()> now_utc_ms;
    // Into the queue; false when it is full (the job stays with the caller).
    std::function<bool(std::unique_ptr<Job>&)> add;
    // Bytes that are never written, and why.
    std::function<void(const std::string& source, std::string_view bytes, std::string_view why)>
        refused;
    // A source that was not to be read may be read again.
    std::function<void(const std::string& source)> resume;
  };

  SharedPort(int pace_ms, Hooks hooks);

  window::Timer& Timer() { return timer_; }

  // A decoded item from a source, in the order the source sent them.
  void Item(const std::string& source, protocol::DecodedItem&& item);
  // Whether the source may be read now: not while anything of it is on its way.
  bool More(const std::string& source) const { return sources_.count(source) == 0; }
  // The source's job left the queue (written, failed, expired).
  void Ended(const std::string& source);
  // What waits here is never written: each unit is reported.
  void Stop();

 private:
  struct Pending {
    std::string bytes;
    std::string why;  // empty: it goes out
  };
  struct Source {
    std::deque<Pending> inbox;
    bool queued = false;
    std::int64_t due_ms = 0;  // not before: a source rests a pace after each refusal
  };
  void Pump(const std::string& name, std::int64_t now);
  void Tick();
  void Arm(std::int64_t now);

  int pace_ms_;
  Hooks hooks_;
  window::Timer timer_;
  std::map<std::string, Source> sources_;  // those with something on its way
  bool stopped_ = false;
};

// Whether a decoded item goes to the bus as it came, and why not: a whole packet (named by
// the decoder or not, as the console's Misc may send) or a stretch of bytes between packets
// goes; a packet cut off, or longer than the decoder takes, does not.
std::string RefusalOf(const protocol::DecodedItem& item);

}  // namespace tvx::gateway
