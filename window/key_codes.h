#pragma once

#include <optional>
#include <string_view>

// Key codes and shift states as the console receives them, for the window and the script
// runner alike.
namespace tvx::window {

inline constexpr int kKeyEsc = 27;
inline constexpr int kKeyF1 = 112;
inline constexpr int kKeyF2 = 113;
inline constexpr int kKeyK = 75;
inline constexpr int kKeyLeftBracket = 219;
inline constexpr int kKeyRightBracket = 221;
inline constexpr int kKeyNumpad0 = 96;

// Shift states: 1 Shift, 2 Ctrl, 4 Alt, summed.
inline constexpr int kShiftAlone = 1;
inline constexpr int kCtrlAlone = 2;
inline constexpr int kAltAlone = 4;
inline constexpr int kMaxShiftState = 7;

// A key as a script names it: F1, F2, Esc, A..Z, 0..9, [, ], or a decimal code 0..255.
[[nodiscard]] std::optional<int> KeyCodeByName(std::string_view name);

}  // namespace tvx::window
