#include "protocol/printable_text.h"

#include <cstdio>

namespace tvx::protocol {

std::vector<std::string> PrintableCharacters(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    const bool control = lead < 0x20 || lead == 0x7F ||
                         (valid && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0);
    if (valid && !control) {
      out.emplace_back(text.substr(i, length));
      i += length;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.push_back({'<', kHex[lead >> 4], kHex[lead & 0x0F], '>'});
    ++i;
  }
  return out;
}

void AppendPrintable(std::string& out, std::string_view latin1) {
  for (std::size_t i = 0; i < latin1.size();) {
    // Plain runs go in one append: decode prints captures of millions of lines this way.
    std::size_t run = i;
    while (run < latin1.size() && PlainCharacter(latin1[run])) ++run;
    out.append(latin1.data() + i, run - i);
    if (run == latin1.size()) break;
    const auto code = static_cast<unsigned char>(latin1[run]);
    if (code < 32) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const char token[] = {'<', kHex[code >> 4], kHex[code & 0x0F], '>'};
      out.append(token, sizeof token);
    } else {
      const char utf8[] = {static_cast<char>(0xC0 | (code >> 6)),
                           static_cast<char>(0x80 | (code & 0x3F))};
      out.append(utf8, sizeof utf8);
    }
    i = run + 1;
  }
}

std::string PrintableValue(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  AppendPrintable(out, latin1);
  return out;
}

namespace {

// Each character of a UTF-8 text with its code point, until see() says stop; false when the
// text is not UTF-8.
template <typename See>
bool EachCodePoint(std::string_view utf8, See see) {
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int extra = lead < 0x80             ? 0
                : (lead & 0xE0) == 0xC0 ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0 || i + extra >= utf8.size()) return false;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      code = (code << 6) | (cont & 0x3F);
    }
    if (!see(code, utf8.substr(i, extra + 1))) return true;
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string ToConsoleText(std::string_view utf8) {
  std::string out;
  const bool valid = EachCodePoint(utf8, [&out](char32_t code, std::string_view) {
    if (code <= 0xFF) out += static_cast<char>(code);
    return true;
  });
  return valid ? out : std::string(utf8);  // not UTF-8: one byte a character
}

std::optional<ForeignCharacter> FirstForeignCharacter(std::string_view utf8) {
  std::optional<ForeignCharacter> found;
  std::size_t at = 0;
  const bool valid = EachCodePoint(utf8, [&](char32_t code, std::string_view text) {
    if (code > 0xFF) found = ForeignCharacter{at, std::string(text), code};
    ++at;
    return !found;
  });
  return valid ? found : std::nullopt;
}

std::string CharacterText(const ForeignCharacter& c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c.code));
  return "'" + c.text + "' (" + code + ")";
}

}  // namespace tvx::protocol
