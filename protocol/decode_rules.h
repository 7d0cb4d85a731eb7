#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "protocol/catalogue.h"
#include "protocol/decode.h"
#include "protocol/envelope.h"
#include "protocol/packet.h"

// Inside the decoder: the envelope split hands each command's decoder its parameters, and
// the decoder proposes field values that the command's builder must turn into the very same
// bytes. Candidates come in the order an operator most likely typed them, so where two
// splits give the same bytes the plainer one is reported.
namespace tvx::protocol::decoding {

bool SameBytes(const Packet& packet, std::string_view bytes);
bool SameBytes(const BuildResult& result, std::string_view bytes);
bool SameBytes(const std::optional<Packet>& packet, std::string_view bytes);

struct Context {
  std::string_view bytes;    // the whole packet, STX to EOT
  std::string_view address;  // the address field
  std::string_view serial;   // the serial-number place, when the packet has one
  std::string_view code;
  std::string_view params;  // after the code, up to EOT
  bool rebuild = false;     // check every packet with its builder, fast check or not
};

// The builder has the last word on every packet. A fast check may spare the rebuild, but only
// by accepting what the builder would accept with the same fields; what it rejects still goes
// to the builder. Tests hold the two paths to the same answers.
// `build` returns the builder's result, or whether some rebuild gave the same bytes.
template <typename Build>
bool Accepted(const Context& c, bool fast, Build&& build) {
  if (fast && !c.rebuild) return true;
  if constexpr (std::is_same_v<decltype(build()), bool>) {
    return build();
  } else {
    return SameBytes(build(), c.bytes);
  }
}

// The address field split the way the builders take it.
Address AddressOf(const Context& c);

// DecodePacket into `item`, reusing the strings it holds; with every packet rebuilt when
// `rebuild` is set.
void DecodeInto(std::string_view packet, DecodedItem& item, bool rebuild);

// Free-text fields can be split in several ways that give the same bytes; a console packet
// needs one or two tries, and this bound keeps a hostile packet full of markers cheap.
inline constexpr int kMaxCandidates = 16;

// Adds the fields to `out` and returns true when the builder writes `c.bytes` again.
using CommandDecoder = bool (*)(const Context& c, DecodedPacket& out);

// A packet kind of the catalogue with its decoder.
struct CommandRule {
  std::string_view code;
  std::string_view command;
  Addressing addressing;
  SerialPlace serial;
  CommandDecoder decode;
};

// Commands whose code follows the address.
std::span<const CommandRule> AddressedCommands();
// Commands whose code follows the serial-number head.
std::span<const CommandRule> SerialCommands();
// The decoders of either kind of packet, by command; nothing for a command of the other kind.
CommandDecoder AddressedDecoder(Command command);
CommandDecoder SerialDecoder(Command command);
// The marquee text: no ESC and no code; `c.params` is everything after the address.
bool DecodeMarqueeText(const Context& c, DecodedPacket& out);

void AddField(DecodedPacket& out, std::string_view name, std::string_view value);
// Only decimal digits, and at least one.
bool AllDigits(std::string_view text);
std::string_view OnOff(bool on);

}  // namespace tvx::protocol::decoding
