#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvx::protocol {

// "<" + two upper-case hexadecimal digits + ">", for example "<1B>".
std::string Token(unsigned char byte);

// The bytes with every control byte (codes below 32) shown as its token: what the packet box
// shows. It is ambiguous (the characters "<1A>" and the byte 0x1A look alike), so only the
// console's own boxes use it.
std::string DisplayForm(std::string_view bytes);

// Token text that reads back as exactly these bytes, by the packet box's conversion and by
// ReadTokenText alike: printable ASCII as itself, except "<" and ">" as <3C> and <3E> and a
// blank before a blank or at the end as <20>; every other byte (control bytes, 0x7F, and 0x80
// to 0xFF, whose look depends on the reader's character set) as its token. So it is one line
// of ASCII that holds no two blanks in a row. What decode, the journal and the simulator print.
std::string TokenText(std::string_view bytes);
// The same, appended to out: output loops reuse one buffer.
void AppendTokenText(std::string& out, std::string_view bytes);

// "02 30 31": two upper-case hexadecimal digits a byte, separated by blanks.
std::string HexText(std::string_view bytes);
// The bytes of hexadecimal text, blanks and tabs anywhere, either case; nothing when a
// character is no digit or a byte is cut in half.
[[nodiscard]] std::optional<std::string> FromHexText(std::string_view text);

}  // namespace tvx::protocol
