#include "app/decoded_item_text.h"

#include <algorithm>
#include <cctype>
#include <variant>

#include "protocol/display.h"
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

void AppendQuotedText(std::string& out, std::string_view latin1) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t i = 0; i < latin1.size(); ++i) {
    const auto c = static_cast<unsigned char>(latin1[i]);
    // No-break space and soft hyphen would pass for a blank and for nothing.
    if (c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD) {
      out += protocol::Token(c);
    } else if (c == '<') {
      std::size_t end = i + 1;
      while (end < latin1.size() && hex(latin1[end])) ++end;
      const bool token = end > i + 1 && end < latin1.size() && latin1[end] == '>';
      out += token ? protocol::Token(c) : std::string(1, '<');
    } else if (c >= 0x80) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
}

void AppendItemText(std::string& out, const protocol::DecodedItem& item, std::string& scratch) {
  const auto* error = std::get_if<protocol::DecodeError>(&item);
  protocol::AppendTokenText(out,
                            error ? error->bytes : std::get<protocol::DecodedPacket>(item).bytes);
  out += "  ";
  const std::size_t start = out.size();
  protocol::DescribeTo(item, out);
  // Only what a packet carries (a message, typed text) can bring anything but plain ASCII.
  if (!std::all_of(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
                   [](char c) { return c >= ' ' && c <= '~' && c != '<'; })) {
    scratch.assign(out, start);
    out.resize(start);
    AppendQuotedText(out, scratch);
  }
}

void AppendItemJsonMembers(std::string& out, const protocol::DecodedItem& item) {
  const auto* error = std::get_if<protocol::DecodeError>(&item);
  const auto* packet = std::get_if<protocol::DecodedPacket>(&item);
  out += "\"kind\":";
  out += error ? "\"error\"" : "\"packet\"";
  const std::string& bytes = error ? error->bytes : packet->bytes;
  AppendMember(out, "text", protocol::TokenText(bytes), false);
  AppendMember(out, "hex", protocol::HexText(bytes), false);
  std::string text;
  AppendQuotedText(text, protocol::Describe(item));
  AppendMember(out, "description", text, false);
  if (error) {
    text.clear();
    AppendQuotedText(text, error->reason);
    AppendMember(out, "reason", text, false);
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
