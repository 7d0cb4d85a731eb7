#include "protocol/printable_text.h"

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

}  // namespace tvx::protocol
