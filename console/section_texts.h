#pragma once

// Section titles and help texts, exactly as operators know them (trailing blanks included).
namespace tvx::console::section_texts {

inline constexpr const char* kMiscTitle = "Miscellaneous Commands";
inline constexpr const char* kMiscHelp =
    "You have entered the 'Miscellaneous Commands' section. Please type your desired packet and "
    "click 'Send'.";

}  // namespace tvx::console::section_texts
