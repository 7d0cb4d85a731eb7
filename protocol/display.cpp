#include "protocol/display.h"

namespace tvx::protocol {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string Token(unsigned char byte) {
  return {'<', kHex[byte >> 4], kHex[byte & 0x0F], '>'};
}

std::string HexText(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 3);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!hex.empty()) hex += ' ';
    hex += kHex[b >> 4];
    hex += kHex[b & 0x0F];
  }
  return hex;
}

std::optional<std::string> FromHexText(std::string_view text) {
  std::string bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes += static_cast<char>(high * 16 + digit);
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

void AppendTokenText(std::string& out, std::string_view bytes) {
  // A blank shows as itself only before another character but a blank: lines put two blanks
  // after the token text, and they must be the first two blanks of the line.
  auto plain = [bytes](std::size_t i) {
    const char c = bytes[i];
    if (c == ' ') return i + 1 < bytes.size() && bytes[i + 1] != ' ';
    return c > ' ' && c <= '~' && c != '<' && c != '>';
  };
  for (std::size_t i = 0; i < bytes.size();) {
    // Plain runs go in one append: decode prints captures of millions of lines this way.
    std::size_t run = i;
    while (run < bytes.size() && plain(run)) ++run;
    out.append(bytes.data() + i, run - i);
    if (run == bytes.size()) break;
    out += Token(static_cast<unsigned char>(bytes[run]));
    i = run + 1;
  }
}

std::string TokenText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 16);
  AppendTokenText(out, bytes);
  return out;
}

std::string DisplayForm(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32) {
      out += Token(byte);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tvx::protocol
