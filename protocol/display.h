#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvx::protocol {

// "<" + two upper-case hexadecimal digits + ">", for example "<1B>".
std::string Token(unsigned char byte);

// The bytes with every control byte (codes below 32) shown as its token.
std::string DisplayForm(std::string_view bytes);

// "02 30 31": two upper-case hexadecimal digits a byte, separated by blanks.
std::string HexText(std::string_view bytes);
// The bytes of hexadecimal text, blanks and tabs anywhere, either case; nothing when a
// character is no digit or a byte is cut in half.
[[nodiscard]] std::optional<std::string> FromHexText(std::string_view text);

}  // namespace tvx::protocol
