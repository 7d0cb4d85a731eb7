#include "protocol/token_conversion.h"

#include <algorithm>
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

namespace {

// A token never closed can run to the end of a long text: the message shows its start.
constexpr std::size_t kMaxFaultCharacters = 12;

TokenTextFault Fault(std::string_view typed, std::size_t from, std::size_t to, std::string why) {
  std::string text(typed.substr(from, std::min(to - from, kMaxFaultCharacters)));
  if (to - from > kMaxFaultCharacters) text += "...";
  return {from, std::move(text), std::move(why)};
}

constexpr char kNeverClosed[] = "opens a token that is not closed; a '<' of the text is <3C>";

}  // namespace

std::variant<std::string, TokenTextFault> ReadTokenText(std::string_view typed) {
  std::string bytes;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] == '>')
      return Fault(typed, i, i + 1, "closes no token; a '>' of the text is <3E>");
    if (typed[i] != '<') {
      bytes += typed[i];
      continue;
    }
    const std::size_t close = typed.find_first_of("<>", i + 1);
    if (close == std::string_view::npos || typed[close] == '<') {
      return Fault(typed, i, close == std::string_view::npos ? typed.size() : close, kNeverClosed);
    }
    const auto byte = ReadHexByte(typed.substr(i + 1, close - i - 1));
    if (!byte) return Fault(typed, i, close + 1, "is no byte: a token is <00> to <FF>");
    bytes += static_cast<char>(*byte);
    i = close;
  }
  return bytes;
}

}  // namespace tvx::protocol
