#include "window/key_codes.h"

#include <charconv>

namespace tvx::window {

std::optional<int> KeyCodeByName(std::string_view key) {
  if (key == "F1") return kKeyF1;
  if (key == "F2") return kKeyF2;
  if (key == "Esc") return kKeyEsc;
  if (key == "[") return kKeyLeftBracket;
  if (key == "]") return kKeyRightBracket;
  if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') return key[0];
  if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') return key[0];
  int code = 0;
  const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), code);
  if (!key.empty() && ec == std::errc() && end == key.data() + key.size() && code >= 0 &&
      code <= 255) {
    return code;
  }
  return std::nullopt;
}

}  // namespace tvx::window
