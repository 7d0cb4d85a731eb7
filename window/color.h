#pragma once

#include <cstdint>

namespace tvx::window {

struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

// The console keeps exclusive choices in button back colours and reads them back,
// so these exact values are part of the behaviour.
inline constexpr Color kLightGrey{192, 192, 192};
inline constexpr Color kDarkGrey{128, 128, 128};
inline constexpr Color kRed{255, 0, 0};
inline constexpr Color kGreen{0, 255, 0};
inline constexpr Color kYellow{255, 255, 0};
inline constexpr Color kWindowFace{240, 240, 240};
inline constexpr Color kWhite{255, 255, 255};

}  // namespace tvx::window
