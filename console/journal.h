#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "links/link_output.h"
#include "protocol/link.h"

// The journal of everything the console wrote to a link. It is fed by the one place packets
// reach a link, so the window, scripts and the send command record alike; it keeps no file
// and reads no clock of its own: both are given.
namespace tvx::console {

struct JournalTime {
  std::int64_t utc_ms = 0;  // since 1970-01-01T00:00:00Z
  int offset_s = 0;         // local time's offset from UTC at that moment
  bool operator==(const JournalTime&) const = default;
};

// One packet of an entry as the decoder reads it; command and address are empty for bytes
// that are no console packet (a Misc line typed by hand).
struct JournalPacket {
  std::string bytes;
  std::string command;
  std::string address;
  bool operator==(const JournalPacket&) const = default;
};

// An andon grid transmission's tally.
struct AndonTally {
  int sent = 0;  // cell packets written
  int set = 0;   // cells set in the grid
  bool completed = false;
  bool operator==(const AndonTally&) const = default;
};

struct JournalEntry {
  JournalTime time;
  protocol::Link link = protocol::Link::Serial;
  std::string destination;  // "Comm 2 = /dev/ttyUSB0", "10.0.0.5:3001"
  std::vector<JournalPacket> packets;
  bool written = true;  // the link took every byte
  std::string error;    // why not, when not
  std::string status;   // the status line shown afterwards
  bool resend = false;
  std::optional<AndonTally> andon;
  // Who it came from through the gateway ("mqtt", "tcp:4001#3", a pty's path); empty for
  // the console's own.
  std::string source;

  std::string Bytes() const;
  // The first packet's command and address: an entry's packets share them.
  std::string Command() const;
  std::string Address() const;
  // Whether a packet of the entry is for this command (any case) or at this address, as the
  // journal's filters ask; an empty one matches every entry.
  bool HasCommand(std::string_view command) const;
  bool HasAddress(std::string_view address) const;
  bool operator==(const JournalEntry&) const = default;
};

class Journal : public links::OutputObserver {
 public:
  using Clock = std::function<JournalTime()>;
  // Where a link leads now, and why it refused a write.
  using LinkWords = std::function<std::string(protocol::Link)>;
  using Listener = std::function<void(const JournalEntry&)>;

  // The entries kept in memory for the window; the file keeps them all.
  static constexpr std::size_t kKept = 5000;

  Journal(Clock clock, LinkWords destination, LinkWords write_error = {});

  void Written(protocol::Link link, std::string_view piece, bool ok) override;

  // Whether bytes have been written that no entry holds yet.
  bool Open() const { return open_; }
  // The entry being written: its link, destination and outcome so far.
  const JournalEntry& Current() const { return current_; }
  // Ends the open entry with the status line shown for it. For a grid, the tally's count of
  // cells sent is the entry's packets.
  void End(const std::string& status, std::optional<AndonTally> andon = std::nullopt);
  // Marks the open entry not written, for why, when the link failed in a way its writes did
  // not say.
  void Fail(const std::string& why);
  // The next entry re-sends an earlier one.
  void MarkResend() { resend_ = true; }

  // Told of every entry as it ends, in order.
  void AddListener(Listener listener) { listeners_.push_back(std::move(listener)); }
  const std::deque<JournalEntry>& Entries() const { return entries_; }

 private:
  Clock clock_;
  LinkWords destination_;
  LinkWords write_error_;
  std::vector<Listener> listeners_;
  std::deque<JournalEntry> entries_;
  bool open_ = false;
  bool resend_ = false;
  JournalEntry current_;
  std::string bytes_;
};

// Splits bytes into the packets a journal entry lists.
std::vector<JournalPacket> JournalPackets(std::string_view bytes);

}  // namespace tvx::console
