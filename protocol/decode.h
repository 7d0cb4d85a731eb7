#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The builders' inverse: bytes as they travel on the bus in, packets with named fields out.
// A packet is accepted only when its builder, given the decoded fields, writes exactly the
// same bytes again; so what the decoder accepts is what the console can send.
namespace tvx::protocol {

enum class Envelope { kGroupUnit, kFixedAddress, kSerialNumber, kMarqueeText };

struct DecodedField {
  std::string name;
  std::string value;
  bool operator==(const DecodedField&) const = default;
};

struct DecodedPacket {
  Envelope envelope = Envelope::kGroupUnit;
  std::string address;               // as sent: four characters, or 0 to 4 for MRQ and SL1
  std::string group, unit;           // when the address has four characters
  std::string serial;                // five digits, ZYXWV, or VL1's serial text; empty when none
  std::string code;                  // command code on the wire; empty for the marquee text
  std::string command;               // the console section it comes from, as its button shows it
  std::vector<DecodedField> fields;  // in packet order
  std::string bytes;
  bool operator==(const DecodedPacket&) const = default;
};

struct DecodeError {
  std::string bytes;
  std::string reason;
  bool operator==(const DecodeError&) const = default;
};

using DecodedItem = std::variant<DecodedPacket, DecodeError>;

// The reason of a stretch of bytes between packets (every other error is a packet gone wrong).
inline constexpr char kBytesOutsidePacket[] = "bytes outside a packet";

// Longest packet and longest run of stray bytes reported as one item: memory stays bounded
// whatever the input. The items' bytes, one after the other, are the input: every byte is in
// exactly one item, so nothing is hidden from whoever reads them.
inline constexpr std::size_t kMaxItemBytes = 1024;

// Incremental: a serial read can split a packet anywhere, and the items are the same
// whatever the chunks.
class Decoder {
 public:
  using Sink = std::function<void(DecodedItem&&)>;
  void Feed(std::string_view bytes, const Sink& sink);
  // End of input: a packet still open is reported cut off, stray bytes held back are reported.
  void Finish(const Sink& sink);

 private:
  enum class State { kOutside, kInside, kSkipping };
  void Emit(const Sink& sink, std::string reason);
  State state_ = State::kOutside;
  std::string pending_;  // the open packet, or the stray bytes seen since the last packet
  // Handed to the sink each time: a sink that only reads it leaves its strings' room for the
  // next packet.
  DecodedItem item_;
};

std::vector<DecodedItem> Decode(std::string_view bytes);

// One framed packet, STX to EOT, to its fields (or the reason it is no console packet).
DecodedItem DecodePacket(std::string_view packet);

// One line a technician understands, for example
// "NUM to group 01 unit 02: number 1234, attribute ON". The token text is not part of it.
std::string Describe(const DecodedItem& item);
// The same, appended to `line`: output loops reuse one buffer.
void DescribeTo(const DecodedItem& item, std::string& line);

}  // namespace tvx::protocol
