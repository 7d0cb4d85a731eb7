#include "protocol/display.h"

namespace tvx::protocol {

std::string Token(unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return {'<', kHex[byte >> 4], kHex[byte & 0x0F], '>'};
}

std::string DisplayForm(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32) {
      out += Token(byte);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tvx::protocol
