#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/journal.h"
#include "gateway/mqtt_session.h"
#include "protocol/decode.h"
#include "protocol/link.h"
#include "sim/device.h"
#include "window/timer.h"

// The gateway of one bus: requests from the broker to the console's own commands, one queue
// with the console's pacing, the answers, and what is published when. It owns no socket, file
// or thread: the broker session, the bus link, the timers' driver, the wall clock and the
// journal's file are given.
namespace tvx::gateway {

struct Options {
  std::string bus;                               // --bus NAME
  std::string prefix = "tvxorm";                 // --prefix; may hold levels
  protocol::Link link = protocol::Link::Serial;  // the console's rules follow the bus's link
  std::string bus_description;  // "serial:/dev/ttyUSB0", "tcp:10.0.0.5:4001" (B/status)
  int pace_ms = 100;
  std::size_t queue = 1000;
  std::int64_t max_age_s = 60;  // 0: no limit
  std::string version;
  // --devices: the inventory; without it no device state is kept.
  std::optional<std::vector<sim::DeviceEntry>> devices;
};

// The link's answer to one write.
struct [[nodiscard]] WriteResult {
  bool ok = true;
  std::string error;      // why not, in the link's words
  std::size_t bytes = 0;  // how many of the unit's bytes went
};

// The bus. Write is handed one unit (a whole packet, or a grid position) and answers at once
// whether the link took every byte.
class BusLink {
 public:
  virtual ~BusLink() = default;
  virtual WriteResult Write(std::string_view bytes) = 0;
};

// What the link reports (B/link); the gateway writes only while it is up.
struct LinkState {
  bool up = false;
  std::string error;              // why it is down
  std::string destination;        // "/dev/ttyUSB0", "10.0.0.5:4001"
  std::int64_t since_utc_ms = 0;  // 0: now
};

// Wall-clock time for timestamps and expiry; never for pacing, which the timers do.
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual console::JournalTime Now() = 0;
};

// Where journal entries go (the journal file); optional.
class JournalSink {
 public:
  virtual ~JournalSink() = default;
  virtual void Record(const console::JournalEntry& entry) = 0;
};

// The durable queue (the program's queue file): each request is recorded there as it arrives;
// the gateway tells it when a request's bytes start to go out and what its answer was.
class QueueStore {
 public:
  virtual ~QueueStore() = default;
  // Before unit (its index) goes out; bytes_before of the request's bytes went already.
  virtual void Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) = 0;
  // Its final answer (empty: closed without one); keep_id when it stays known for "duplicate".
  virtual void Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                        const std::string& answer, std::int64_t at_utc_ms) = 0;
  // Once an arrival has been taken up: whatever was recorded on arrival is durable by now
  // (a request that went out at once was already, with its mark).
  virtual void Settle() = 0;
};

class QueueLog;

// The formats the program's files already define, so the gateway publishes exactly them.
struct Formats {
  // A journal entry as the journal file's line (one JSON object).
  std::function<std::string(const console::JournalEntry&)> journal_line;
  // One device as the simulator's state file writes it (one JSON object).
  std::function<std::string(const sim::Device&)> device_state;
};

class Gateway : public MqttEvents {
 public:
  Gateway(Options options, MqttSession& session, BusLink& link, WallClock& clock, Formats formats,
          JournalSink* journal = nullptr, QueueStore* queue = nullptr);
  ~Gateway() override;
  Gateway(const Gateway&) = delete;
  Gateway& operator=(const Gateway&) = delete;

  // Attach each to the timer driver (app::QtTimerDriver, window::VirtualClock).
  std::vector<window::Timer*> Timers();

  // "PREFIX/NAME/leaf": what to subscribe to (request, republish) and the Will's topic
  // (status).
  std::string Topic(std::string_view leaf) const;
  // The Will, retained on Topic("status").
  static std::string WillPayload();

  // The bus link came up or went down.
  void LinkChanged(const LinkState& state);

  void Connected() override;
  void ConnectionLost(const std::string& reason) override;
  bool MessageArrived(const MqttMessage& message) override;

  // The shared port: an item a console sent, as the decoder read it, from its source
  // ("tcp:4001#3", a pty's path).
  void ConsoleItem(const std::string& source, protocol::DecodedItem&& item);
  // Whether more may be read from the source now; resume is told when it may again.
  bool ConsoleMore(const std::string& source) const;
  void OnConsoleResume(std::function<void(const std::string& source)> resume);
  // The consoles connected now; B/status counts them once told.
  void ConsolesConnected(int count);

  // What the durable queue held at the start: a request that was being written is answered
  // "interrupted", the others join the queue (or expire), answered ids stay known. Before any
  // message arrives.
  void Restore(const QueueLog& log);

  // A clean stop: a grid part way is answered "interrupted"; with a durable queue the requests
  // that wait stay there for the next start (without one they are answered "failed"); no
  // request is taken after it; B/status says offline, stopped.
  void Stop();

  std::size_t Queued() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace tvx::gateway
