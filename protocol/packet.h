#pragma once

#include <string>
#include <variant>
#include <vector>

namespace tvx::protocol {

// A packet as the link sees it (pieces, one write each, in order) and as the packet box
// shows it (display text; for most commands the display form of the bytes).
struct Packet {
  std::vector<std::string> pieces;
  std::string display;
  // The status line once the packet is out.
  std::string status;

  // Appends a piece and its display form.
  Packet& Add(const std::string& piece);
  // Appends a piece whose display text differs from its bytes.
  Packet& Add(const std::string& piece, const std::string& display_text);
  // Appends a control byte as its own piece.
  Packet& Byte(char byte);
  std::string Bytes() const;
};

// A command's refusal: the status line and nothing sent.
struct Refusal {
  std::string message;
};

using BuildResult = std::variant<Packet, Refusal>;

}  // namespace tvx::protocol
