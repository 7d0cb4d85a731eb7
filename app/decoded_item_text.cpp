#include "app/decoded_item_text.h"

#include <algorithm>
#include <variant>

#include "console/script.h"
#include "protocol/field_names.h"

namespace tvx::app {

namespace {

const char* EnvelopeName(protocol::Envelope envelope) {
  switch (envelope) {
    case protocol::Envelope::kGroupUnit:
      return "group-unit";
    case protocol::Envelope::kFixedAddress:
      return "fixed-address";
    case protocol::Envelope::kSerialNumber:
      return "serial-number";
    case protocol::Envelope::kMarqueeText:
      return "marquee-text";
  }
  return "";
}

}  // namespace

// Written by hand: a capture can hold millions of items.
void AppendJson(std::string& out, std::string_view text, bool latin1) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      const char escaped[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0x0F]};
      out.append(escaped, sizeof escaped);
    } else if (c >= 0x80 && latin1) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += ch;
    }
  }
  out += '"';
}

namespace {

void AppendMember(std::string& out, const char* key, std::string_view value, bool latin1) {
  out += ",\"";
  out += key;
  out += "\":";
  AppendJson(out, value, latin1);
}

}  // namespace

void AppendItemText(std::string& out, const protocol::DecodedItem& item, std::string& scratch) {
  const auto* error = std::get_if<protocol::DecodeError>(&item);
  console::AppendPrintable(out,
                           error ? error->bytes : std::get<protocol::DecodedPacket>(item).bytes);
  out += "  ";
  const std::size_t start = out.size();
  protocol::DescribeTo(item, out);
  // Only a message or typed text can bring control bytes or letters above ASCII.
  if (!std::all_of(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
                   console::PlainCharacter)) {
    scratch.assign(out, start);
    out.resize(start);
    console::AppendPrintable(out, scratch);
  }
}

void AppendItemJsonMembers(std::string& out, const protocol::DecodedItem& item) {
  const auto* error = std::get_if<protocol::DecodeError>(&item);
  const auto* packet = std::get_if<protocol::DecodedPacket>(&item);
  out += "\"kind\":";
  out += error ? "\"error\"" : "\"packet\"";
  AppendMember(out, "text", console::PrintableValue(error ? error->bytes : packet->bytes), false);
  AppendMember(out, "description", console::PrintableValue(protocol::Describe(item)), false);
  if (error) {
    AppendMember(out, "reason", console::PrintableValue(error->reason), false);
    return;
  }
  AppendMember(out, "command", packet->command, true);
  AppendMember(out, "code", packet->code, true);
  AppendMember(out, "envelope", EnvelopeName(packet->envelope), false);
  AppendMember(out, "address", packet->address, true);
  AppendMember(out, protocol::fields::kGroup, packet->group, true);
  AppendMember(out, protocol::fields::kUnit, packet->unit, true);
  if (packet->envelope == protocol::Envelope::kSerialNumber) {
    AppendMember(out, protocol::fields::kSerial, packet->serial, true);
  }
  out += ",\"fields\":{";
  for (std::size_t i = 0; i < packet->fields.size(); ++i) {
    if (i > 0) out += ',';
    AppendJson(out, packet->fields[i].name, true);
    out += ':';
    AppendJson(out, packet->fields[i].value, true);
  }
  out += "}";
}

}  // namespace tvx::app
