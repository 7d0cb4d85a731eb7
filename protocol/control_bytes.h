#pragma once

#include <string>

namespace tvx::protocol {

inline constexpr char STX = 0x02;
inline constexpr char ESC = 0x1B;
inline constexpr char EOT = 0x04;

// Option bytes of the marquee text: clear and home, carriage return, flash on or off.
inline constexpr char kClearHome = 0x0C;
inline constexpr char kCarriageReturn = 0x0D;
inline constexpr char kFlashOn = 0x10;
inline constexpr char kFlashOff = 0x12;

// A one-character piece made from a byte value, as control bytes are written.
inline std::string ByteText(char byte) {
  return std::string(1, byte);
}

}  // namespace tvx::protocol
