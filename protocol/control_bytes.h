#pragma once

#include <string>

namespace tvx::protocol {

inline constexpr char STX = 0x02;
inline constexpr char ESC = 0x1B;
inline constexpr char EOT = 0x04;

// A one-character piece made from a byte value, as control bytes are written.
inline std::string ByteText(char byte) { return std::string(1, byte); }

}  // namespace tvx::protocol
