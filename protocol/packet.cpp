#include "protocol/packet.h"

#include "protocol/display.h"

namespace tvx::protocol {

Packet& Packet::Add(const std::string& piece) {
  return Add(piece, DisplayForm(piece));
}

Packet& Packet::Add(const std::string& piece, const std::string& display_text) {
  pieces.push_back(piece);
  display += display_text;
  return *this;
}

Packet& Packet::Byte(char byte) {
  return Add(std::string(1, byte));
}

std::string Packet::Bytes() const {
  std::string bytes;
  for (const std::string& p : pieces) bytes += p;
  return bytes;
}

}  // namespace tvx::protocol
