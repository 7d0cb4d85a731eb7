#pragma once

#include <optional>
#include <string>

// The checks a command gets when it comes without the window (send, the gateway): there is no
// packet box to look at, so whatever the console would drop unseen is refused instead.
namespace tvx::console {

// A field's value as given (UTF-8) holds a character the console cannot send.
[[nodiscard]] std::optional<std::string> ForeignCharacterProblem(const std::string& name,
                                                                 const std::string& utf8);

// The Misc packet as the console would convert it, refused where the conversion would drop
// something.
[[nodiscard]] std::optional<std::string> MiscPacketProblem(const std::string& command,
                                                           const std::string& packet_text);

}  // namespace tvx::console
