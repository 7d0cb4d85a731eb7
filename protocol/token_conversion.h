#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace tvx::protocol {

// Turns a packet typed in token text into its bytes. "<hh>" (any number of hexadecimal
// digits, either case) stands for the byte hh; a "<" inside a token starts it afresh; the
// characters of a token never closed are dropped. A token that cannot be read as a byte
// (empty, not hexadecimal, above 0xFF) and a ">" outside any token yield no byte.
// Everything else is sent as typed.
std::string ConvertTokens(std::string_view typed);

// What ReadTokenText refuses: the characters at fault, as typed (a long one cut short), where
// they start (0 for the first character) and why, in words.
struct TokenTextFault {
  std::size_t at = 0;
  std::string text;
  std::string why;
};

// Token text read strictly, for text given on a command line, where nobody watches the packet
// box: the bytes ConvertTokens gives, or the first thing it would drop without a word (a token
// that is no byte, a token never closed or started afresh, a ">" outside a token).
std::variant<std::string, TokenTextFault> ReadTokenText(std::string_view typed);

}  // namespace tvx::protocol
