#include "protocol/decode.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

#include "protocol/andon_codes.h"
#include "protocol/control_bytes.h"
#include "protocol/decode_rules.h"

namespace tvx::protocol {

using decoding::CommandRule;

namespace {

constexpr char kOptionBytes[] = {kClearHome, kCarriageReturn, kFlashOn, kFlashOff};
constexpr std::string_view kFrameBytes("\x02\x04", 2);  // STX, EOT
constexpr char kRestTooLong[] = "rest of a packet too long";

// Why bytes are no packet of the console; nothing when they are one.
using Reason = std::optional<std::string>;

bool IsDigits(std::string_view text, std::size_t count) {
  return text.size() == count && decoding::AllDigits(text);
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

const CommandRule* Find(std::span<const CommandRule> rules, std::string_view rest) {
  // Codes are a few characters: a plain loop beats a call to memcmp per rule.
  for (const CommandRule& rule : rules) {
    if (rule.code.size() > rest.size()) continue;
    std::size_t k = 0;
    while (k < rule.code.size() && rest[k] == rule.code[k]) ++k;
    if (k == rule.code.size()) return &rule;
  }
  return nullptr;
}

// Why a code is not known where it stands: it may belong to the other kind of head.
std::string UnknownCode(std::string_view rest, bool after_serial) {
  if (const CommandRule* other =
          Find(after_serial ? decoding::AddressedCommands() : decoding::SerialCommands(), rest)) {
    return after_serial ? Quoted(other->code) + " does not follow a serial number"
                        : Quoted(other->code) + " needs a serial-number head";
  }
  if (rest.empty()) return "no command code after the ESC";
  return "unknown command code " + Quoted(rest.substr(0, std::min<std::size_t>(rest.size(), 3)));
}

Reason CheckAddress(const CommandRule& rule, std::string_view address) {
  const std::string_view name = rule.command;
  switch (rule.addressing) {
    case Addressing::kChecked:
      if (IsDigits(address, 4)) return std::nullopt;
      return std::string(name) + " needs a two-digit group and unit, not " + Quoted(address);
    case Addressing::kUnchecked:
      if (address.size() <= 4) return std::nullopt;
      return "address " + Quoted(address) + " is longer than four characters";
    case Addressing::kFixed:
      if (address == kFixedAddress) return std::nullopt;
      return std::string(name) + " goes to address 0000, not " + Quoted(address);
  }
  return std::nullopt;
}

Reason CheckSerial(const CommandRule& rule, std::string_view serial) {
  switch (rule.serial) {
    case SerialPlace::kField:
      if (IsDigits(serial, 5)) return std::nullopt;
      return "serial number " + Quoted(serial) + " is not five digits";
    case SerialPlace::kWildcard:
      if (serial == kWildcard) return std::nullopt;
      return std::string(rule.command) + " goes to ZYXWV, not " + Quoted(serial);
    case SerialPlace::kTypedText:
      if (serial.size() <= 5) return std::nullopt;
      return "serial text " + Quoted(serial) + " is longer than five characters";
    case SerialPlace::kNone:
      break;
  }
  return std::nullopt;
}

// Fills what every packet has, reusing the strings `out` already holds.
void Header(DecodedPacket& out, std::string_view packet, Envelope envelope,
            std::string_view address, std::string_view serial = {}, std::string_view code = {},
            std::string_view command = {}) {
  const bool four = address.size() == 4;
  out.envelope = envelope;
  out.address.assign(address);
  out.group.assign(four ? address.substr(0, 2) : std::string_view());
  out.unit.assign(four ? address.substr(2) : std::string_view());
  out.serial.assign(serial);
  out.code.assign(code);
  out.command.assign(command);
  out.fields.clear();
  out.bytes.assign(packet);
}

Reason DecodeMarquee(std::string_view packet, std::string_view body, std::size_t option,
                     bool rebuild, DecodedPacket& out) {
  const std::string_view address = body.substr(0, option);
  if (address.size() > 4) return "address " + Quoted(address) + " is longer than four characters";
  Header(out, packet, Envelope::kMarqueeText, address, {}, {}, NameOf(Command::kMRQ));
  const decoding::Context c{packet, address, {}, {}, body.substr(option), rebuild};
  if (!decoding::DecodeMarqueeText(c, out)) return "marquee options that no MRQ command sends";
  return std::nullopt;
}

Reason DecodeCommand(std::string_view packet, std::string_view address, std::string_view rest,
                     bool rebuild, DecodedPacket& out) {
  std::string_view serial;
  const bool serial_head = rest.starts_with(kSerialSelector);
  if (serial_head) {
    const std::size_t end = rest.find(ESC, 3);
    if (end == std::string_view::npos) return "no ESC after the serial number";
    serial = rest.substr(3, end - 3);
    rest.remove_prefix(end + 1);
  }
  const CommandRule* rule =
      Find(serial_head ? decoding::SerialCommands() : decoding::AddressedCommands(), rest);
  if (!rule) return UnknownCode(rest, serial_head);
  if (auto reason = CheckAddress(*rule, address)) return reason;
  if (auto reason = CheckSerial(*rule, serial)) return reason;

  const Envelope envelope = serial_head                              ? Envelope::kSerialNumber
                            : rule->addressing == Addressing::kFixed ? Envelope::kFixedAddress
                                                                     : Envelope::kGroupUnit;
  Header(out, packet, envelope, address, serial, rule->code, rule->command);
  const decoding::Context c{packet, address, serial, rule->code, rest.substr(rule->code.size()),
                            rebuild};
  if (!rule->decode(c, out)) return "parameters that no " + out.command + " command sends";
  return std::nullopt;
}

Reason Decode(std::string_view packet, bool rebuild, DecodedPacket& out) {
  if (packet.size() < 2 || packet.front() != STX || packet.back() != EOT) {
    return "not framed by STX and EOT";
  }
  const std::string_view body = packet.substr(1, packet.size() - 2);
  if (body.empty()) return "empty packet";
  // The address runs up to the ESC before the code, or up to the marquee's option bytes.
  const auto end = std::find_if(body.begin(), body.end(), [](char c) {
    return c == ESC ||
           std::find(std::begin(kOptionBytes), std::end(kOptionBytes), c) != std::end(kOptionBytes);
  });
  if (end == body.end()) return "no ESC and no marquee option byte";
  const auto at = static_cast<std::size_t>(end - body.begin());
  if (*end != ESC) return DecodeMarquee(packet, body, at, rebuild, out);
  return DecodeCommand(packet, body.substr(0, at), body.substr(at + 1), rebuild, out);
}

// The catalogue's packets with their decoders; the marquee text has no code and is told apart
// by its option bytes.
std::vector<CommandRule> RulesOf(bool serial_head) {
  std::vector<CommandRule> rules;
  for (const PacketKind& kind : kPacketKinds) {
    if (!*kind.code || (kind.serial != SerialPlace::kNone) != serial_head) continue;
    rules.push_back({kind.code, NameOf(kind.command), kind.addressing, kind.serial,
                     serial_head ? decoding::SerialDecoder(kind.command)
                                 : decoding::AddressedDecoder(kind.command)});
  }
  return rules;
}

}  // namespace

std::span<const CommandRule> decoding::AddressedCommands() {
  static const std::vector<CommandRule> rules = RulesOf(false);
  return rules;
}

std::span<const CommandRule> decoding::SerialCommands() {
  static const std::vector<CommandRule> rules = RulesOf(true);
  return rules;
}

bool decoding::SameBytes(const Packet& packet, std::string_view bytes) {
  std::size_t at = 0;
  for (const std::string& piece : packet.pieces) {
    if (piece.size() > bytes.size() - at || bytes.substr(at, piece.size()) != piece) return false;
    at += piece.size();
  }
  return at == bytes.size();
}

bool decoding::SameBytes(const BuildResult& result, std::string_view bytes) {
  const Packet* packet = std::get_if<Packet>(&result);
  return packet && SameBytes(*packet, bytes);
}

bool decoding::SameBytes(const std::optional<Packet>& packet, std::string_view bytes) {
  return packet && SameBytes(*packet, bytes);
}

void decoding::AddField(DecodedPacket& out, std::string_view name, std::string_view value) {
  if (out.fields.empty()) out.fields.reserve(8);
  DecodedField& field = out.fields.emplace_back();
  field.name.assign(name);
  field.value.assign(value);
}

bool decoding::AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view decoding::OnOff(bool on) {
  return on ? kOn : kOff;
}

Address decoding::AddressOf(const Context& c) {
  // The builders take group and unit separately but write them side by side.
  const std::size_t group = std::min<std::size_t>(c.address.size(), 2);
  return {std::string(c.address.substr(0, group)), std::string(c.address.substr(group))};
}

void decoding::DecodeInto(std::string_view packet, DecodedItem& item, bool rebuild) {
  auto* out = std::get_if<DecodedPacket>(&item);
  if (!out) out = &item.emplace<DecodedPacket>();
  if (Reason reason = Decode(packet, rebuild, *out)) {
    item = DecodeError{std::string(packet), std::move(*reason)};
  }
}

DecodedItem DecodePacket(std::string_view packet) {
  DecodedItem item;
  decoding::DecodeInto(packet, item, false);
  return item;
}

void Decoder::Emit(const Sink& sink, std::string reason) {
  sink(DecodeError{std::move(pending_), std::move(reason)});
  pending_.clear();
}

void Decoder::Feed(std::string_view bytes, const Sink& sink) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    if (state_ == State::kInside) {
      // A packet ends at EOT, is cut off by STX, and gives up once it is kMaxItemBytes long.
      const std::size_t window = std::min(n - i, kMaxItemBytes - pending_.size());
      const std::string_view span = bytes.substr(i, window);
      const std::size_t eot = span.find(EOT);
      const std::size_t stx = span.substr(0, eot).find(STX);
      const std::size_t j = i + (stx != std::string_view::npos   ? stx
                                 : eot != std::string_view::npos ? eot
                                                                 : window);
      if (j == i + window) {
        pending_.append(bytes.substr(i, window));
        i += window;
        if (pending_.size() == kMaxItemBytes) {
          Emit(sink, "packet too long");
          state_ = State::kSkipping;
        }
      } else if (bytes[j] == EOT) {
        pending_.append(bytes.substr(i, j + 1 - i));
        decoding::DecodeInto(pending_, item_, false);
        sink(std::move(item_));
        pending_.clear();
        state_ = State::kOutside;
        i = j + 1;
      } else {
        pending_.append(bytes.substr(i, j - i));
        Emit(sink, "packet cut off by a new STX");
        pending_ += STX;
        i = j + 1;
      }
      continue;
    }
    if (state_ == State::kSkipping) {
      // The rest of an overlong packet, up to its EOT or the next STX: every byte is shown.
      const std::size_t window = std::min(n - i, kMaxItemBytes - pending_.size());
      const std::string_view span = bytes.substr(i, window);
      const std::size_t end = span.find_first_of(kFrameBytes);
      if (end == std::string_view::npos) {
        pending_.append(span);
        i += window;
        if (pending_.size() == kMaxItemBytes) Emit(sink, kRestTooLong);
        continue;
      }
      const bool eot = span[end] == EOT;
      pending_.append(span.substr(0, end + (eot ? 1 : 0)));
      i += end + (eot ? 1 : 0);
      if (!pending_.empty()) Emit(sink, kRestTooLong);
      state_ = State::kOutside;  // a new STX is the outside's to open
      continue;
    }
    const std::size_t stx = bytes.find(STX, i);
    const std::size_t end = stx == std::string_view::npos ? n : stx;
    while (i < end) {
      const std::size_t take = std::min(end - i, kMaxItemBytes - pending_.size());
      pending_.append(bytes.substr(i, take));
      i += take;
      if (pending_.size() == kMaxItemBytes) Emit(sink, kBytesOutsidePacket);
    }
    if (stx != std::string_view::npos) {
      if (!pending_.empty()) Emit(sink, kBytesOutsidePacket);
      state_ = State::kInside;
      pending_ += STX;
      ++i;
    }
  }
}

void Decoder::Finish(const Sink& sink) {
  if (state_ == State::kInside) {
    Emit(sink, "packet cut off at the end of the input");
  } else if (!pending_.empty()) {
    Emit(sink, state_ == State::kSkipping ? kRestTooLong : kBytesOutsidePacket);
  }
  pending_.clear();
  state_ = State::kOutside;
}

std::vector<DecodedItem> Decode(std::string_view bytes) {
  std::vector<DecodedItem> items;
  const Decoder::Sink sink = [&items](DecodedItem&& item) { items.push_back(std::move(item)); };
  Decoder decoder;
  decoder.Feed(bytes, sink);
  decoder.Finish(sink);
  return items;
}

}  // namespace tvx::protocol
