#include "protocol/token_conversion.h"

#include <optional>

namespace tvx::protocol {

namespace {
std::optional<unsigned char> ReadHexByte(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + d;
    if (value > 0xFF) return std::nullopt;  // leading zeros keep it small; anything else is too big
  }
  return static_cast<unsigned char>(value);
}
}  // namespace

std::string ConvertTokens(std::string_view typed) {
  std::string bytes;
  std::string token;
  bool in_token = false;
  for (char c : typed) {
    if (c == '<') {
      in_token = true;
      token.clear();
    } else if (c == '>') {
      if (in_token) {
        if (auto byte = ReadHexByte(token)) bytes += static_cast<char>(*byte);
      }
      in_token = false;
      token.clear();
    } else if (in_token) {
      token += c;
    } else {
      bytes += c;
    }
  }
  return bytes;
}

}  // namespace tvx::protocol
