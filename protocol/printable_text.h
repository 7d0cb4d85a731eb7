#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvx::protocol {

// Text a user or a file gave (a file name, a parser's complaint) as one printable piece per
// character, for a message: valid UTF-8 characters as they are, control bytes (C0, DEL and
// U+0080 to U+009F, which a terminal may act on) and bytes that are not UTF-8 as display tokens.
std::vector<std::string> PrintableCharacters(std::string_view text);

// A value as one printable line: characters below 32 as display tokens, the rest (codes
// up to 255) in UTF-8.
std::string PrintableValue(std::string_view latin1);
// The same, appended to out.
void AppendPrintable(std::string& out, std::string_view latin1);
// Printable ASCII: shown as it is.
inline bool PlainCharacter(char c) {
  return c >= 32 && static_cast<unsigned char>(c) < 128;
}

// A script line's text as the console's characters: UTF-8 when it is valid UTF-8 (code
// points above 255 cannot be typed and are dropped), otherwise one byte a character.
std::string ToConsoleText(std::string_view utf8);

// The first character of a UTF-8 text that ToConsoleText would drop (a code point above
// U+00FF): where it is (0 for the first character), as given, and its code point. Nothing when
// every character is kept.
struct ForeignCharacter {
  std::size_t at = 0;
  std::string text;
  char32_t code = 0;
};
std::optional<ForeignCharacter> FirstForeignCharacter(std::string_view utf8);
// "'日' (U+65E5)".
std::string CharacterText(const ForeignCharacter& c);

}  // namespace tvx::protocol
