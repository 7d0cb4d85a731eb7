#pragma once

#include <string>
#include <string_view>

namespace tvx::protocol {

// Turns a packet typed in token text into its bytes. "<hh>" (any number of hexadecimal
// digits, either case) stands for the byte hh; a "<" inside a token starts it afresh; the
// characters of a token never closed are dropped. A token that cannot be read as a byte
// (empty, not hexadecimal, above 0xFF) and a ">" outside any token yield no byte.
// Everything else is sent as typed.
std::string ConvertTokens(std::string_view typed);

}  // namespace tvx::protocol
