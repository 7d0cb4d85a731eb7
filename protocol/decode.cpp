#include "protocol/decode.h"

#include <algorithm>

#include "protocol/control_bytes.h"
#include "protocol/decode_rules.h"

namespace tvx::protocol {

using decoding::Addressing;
using decoding::CommandRule;
using decoding::SerialPlace;

namespace {

constexpr char kOptionBytes[] = {kClearHome, kCarriageReturn, kFlashOn, kFlashOff};

bool IsDigits(std::string_view text, std::size_t count) {
  return text.size() == count &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

const CommandRule* Find(std::span<const CommandRule> rules, std::string_view rest) {
  for (const CommandRule& rule : rules) {
    if (rest.starts_with(rule.code)) return &rule;
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

// The builders take group and unit separately but write them side by side.
Address SplitAddress(std::string_view address) {
  const std::size_t group = std::min<std::size_t>(address.size(), 2);
  return {std::string(address.substr(0, group)), std::string(address.substr(group))};
}

std::optional<std::string> CheckAddress(const CommandRule& rule, std::string_view address) {
  const std::string name = rule.command;
  switch (rule.addressing) {
    case Addressing::kChecked:
      if (IsDigits(address, 4)) return std::nullopt;
      return name + " needs a two-digit group and unit, not " + Quoted(address);
    case Addressing::kUnchecked:
      if (address.size() <= 4) return std::nullopt;
      return "address " + Quoted(address) + " is longer than four characters";
    case Addressing::kFixed:
      if (address == kFixedAddress) return std::nullopt;
      return name + " goes to address 0000, not " + Quoted(address);
  }
  return std::nullopt;
}

std::optional<std::string> CheckSerial(const CommandRule& rule, std::string_view serial) {
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

DecodeError Error(std::string_view packet, std::string reason) {
  return {std::string(packet), std::move(reason)};
}

DecodedPacket Header(std::string_view packet, std::string_view address) {
  DecodedPacket out;
  out.address = address;
  if (address.size() == 4) {
    out.group = address.substr(0, 2);
    out.unit = address.substr(2);
  }
  out.bytes = packet;
  return out;
}

DecodedItem DecodeMarquee(std::string_view packet, std::string_view body, std::size_t option) {
  const std::string_view address = body.substr(0, option);
  if (address.size() > 4) {
    return Error(packet, "address " + Quoted(address) + " is longer than four characters");
  }
  DecodedPacket out = Header(packet, address);
  out.envelope = Envelope::kMarqueeText;
  out.command = "MRQ";
  const decoding::Context c{packet, SplitAddress(address), {}, {}, body.substr(option)};
  if (!decoding::DecodeMarqueeText(c, out)) {
    return Error(packet, "marquee options that no MRQ command sends");
  }
  return out;
}

DecodedItem DecodeCommand(std::string_view packet, std::string_view address,
                          std::string_view rest) {
  std::string_view serial;
  const bool serial_head = rest.starts_with(kSerialSelector);
  if (serial_head) {
    const std::size_t end = rest.find(ESC, 3);
    if (end == std::string_view::npos) return Error(packet, "no ESC after the serial number");
    serial = rest.substr(3, end - 3);
    rest.remove_prefix(end + 1);
  }
  const CommandRule* rule =
      Find(serial_head ? decoding::SerialCommands() : decoding::AddressedCommands(), rest);
  if (!rule) return Error(packet, UnknownCode(rest, serial_head));
  if (auto reason = CheckAddress(*rule, address)) return Error(packet, *reason);
  if (auto reason = CheckSerial(*rule, serial)) return Error(packet, *reason);

  DecodedPacket out = Header(packet, address);
  out.envelope = serial_head                              ? Envelope::kSerialNumber
                 : rule->addressing == Addressing::kFixed ? Envelope::kFixedAddress
                                                          : Envelope::kGroupUnit;
  out.serial = serial;
  out.code = rule->code;
  out.command = rule->command;
  const decoding::Context c{packet, SplitAddress(address), std::string(serial), rule->code,
                            rest.substr(rule->code.size())};
  if (!rule->decode(c, out)) {
    return Error(packet, "parameters that no " + out.command + " command sends");
  }
  return out;
}

}  // namespace

DecodedItem DecodePacket(std::string_view packet) {
  if (packet.size() < 2 || packet.front() != STX || packet.back() != EOT) {
    return Error(packet, "not framed by STX and EOT");
  }
  const std::string_view body = packet.substr(1, packet.size() - 2);
  if (body.empty()) return Error(packet, "empty packet");
  // The address runs up to the ESC before the code, or up to the marquee's option bytes.
  const std::size_t end = body.find_first_of(std::string_view(kOptionBytes, sizeof kOptionBytes));
  const std::size_t esc = body.find(ESC);
  if (esc == std::string_view::npos && end == std::string_view::npos) {
    return Error(packet, "no ESC and no marquee option byte");
  }
  if (esc == std::string_view::npos || end < esc) return DecodeMarquee(packet, body, end);
  return DecodeCommand(packet, body.substr(0, esc), body.substr(esc + 1));
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
      std::size_t j = i;
      while (j < i + window && bytes[j] != EOT && bytes[j] != STX) ++j;
      if (j == i + window) {
        pending_.append(bytes.substr(i, window));
        i += window;
        if (pending_.size() == kMaxItemBytes) {
          Emit(sink, "packet too long");
          state_ = State::kSkipping;
        }
      } else if (bytes[j] == EOT) {
        pending_.append(bytes.substr(i, j + 1 - i));
        sink(DecodePacket(pending_));
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
    const std::size_t stx = bytes.find(STX, i);
    const std::size_t end = stx == std::string_view::npos ? n : stx;
    if (state_ == State::kOutside) {
      while (i < end) {
        const std::size_t take = std::min(end - i, kMaxItemBytes - pending_.size());
        pending_.append(bytes.substr(i, take));
        i += take;
        if (pending_.size() == kMaxItemBytes) Emit(sink, "bytes outside a packet");
      }
      if (stx != std::string_view::npos && !pending_.empty()) Emit(sink, "bytes outside a packet");
    }
    i = end;
    if (stx != std::string_view::npos) {
      state_ = State::kInside;
      pending_ += STX;
      ++i;
    }
  }
}

void Decoder::Finish(const Sink& sink) {
  if (state_ == State::kInside) {
    Emit(sink, "packet cut off at the end of the input");
  } else if (state_ == State::kOutside && !pending_.empty()) {
    Emit(sink, "bytes outside a packet");
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
