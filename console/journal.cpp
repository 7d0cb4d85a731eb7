#include "console/journal.h"

#include <algorithm>
#include <cctype>
#include <variant>

#include "protocol/decode.h"

namespace tvx::console {

std::string JournalEntry::Bytes() const {
  std::string bytes;
  for (const JournalPacket& packet : packets) bytes += packet.bytes;
  return bytes;
}

std::string JournalEntry::Command() const {
  return packets.empty() ? std::string() : packets.front().command;
}

std::string JournalEntry::Address() const {
  return packets.empty() ? std::string() : packets.front().address;
}

namespace {
bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}
}  // namespace

bool JournalEntry::HasCommand(std::string_view command) const {
  return command.empty() ||
         std::any_of(packets.begin(), packets.end(),
                     [command](const JournalPacket& p) { return SameLetters(p.command, command); });
}

bool JournalEntry::HasAddress(std::string_view address) const {
  return address.empty() ||
         std::any_of(packets.begin(), packets.end(),
                     [address](const JournalPacket& p) { return p.address == address; });
}

std::vector<JournalPacket> JournalPackets(std::string_view bytes) {
  std::vector<JournalPacket> packets;
  protocol::Decoder decoder;
  const auto take = [&packets](protocol::DecodedItem&& item) {
    if (const auto* packet = std::get_if<protocol::DecodedPacket>(&item)) {
      packets.push_back({packet->bytes, packet->command, packet->address});
    } else {
      packets.push_back({std::get<protocol::DecodeError>(item).bytes, "", ""});
    }
  };
  decoder.Feed(bytes, take);
  decoder.Finish(take);
  return packets;
}

Journal::Journal(Clock clock, LinkWords destination, LinkWords write_error)
    : clock_(std::move(clock)),
      destination_(std::move(destination)),
      write_error_(std::move(write_error)) {}

void Journal::Written(protocol::Link link, std::string_view piece, bool ok) {
  if (!open_) {
    open_ = true;
    current_ = JournalEntry{};
    current_.time = clock_ ? clock_() : JournalTime{};
    current_.link = link;
    current_.destination = destination_ ? destination_(link) : std::string();
    current_.resend = resend_;
    resend_ = false;
    bytes_.clear();
  }
  bytes_.append(piece);
  if (!ok && current_.written) {
    // The first refusal says why; later ones of the same entry rarely say more.
    current_.written = false;
    current_.error = write_error_ ? write_error_(link) : std::string();
  }
}

void Journal::Fail(const std::string& why) {
  if (!open_) return;
  current_.written = false;
  current_.error = why;
}

void Journal::End(const std::string& status, std::optional<AndonTally> andon) {
  if (!open_) return;
  open_ = false;
  current_.packets = JournalPackets(bytes_);
  current_.status = status;
  if (andon) andon->sent = static_cast<int>(current_.packets.size());
  current_.andon = andon;
  bytes_.clear();
  entries_.push_back(std::move(current_));
  if (entries_.size() > kKept) entries_.pop_front();
  for (const Listener& listener : listeners_) listener(entries_.back());
}

}  // namespace tvx::console
