#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvx::protocol {

// Text a user or a file gave (a file name, a parser's complaint) as one printable piece per
// character, for a message: valid UTF-8 characters as they are, control bytes (C0, DEL and
// U+0080 to U+009F, which a terminal may act on) and bytes that are not UTF-8 as display tokens.
std::vector<std::string> PrintableCharacters(std::string_view text);

}  // namespace tvx::protocol
