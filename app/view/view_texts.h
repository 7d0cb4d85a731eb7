#pragma once

#include <string_view>

// Texts of the window's own, beside the console's (what each command does is the catalogue's).
namespace tvx::app::view_texts {

inline constexpr std::string_view kErrorTip = "The console refused or could not send";

}  // namespace tvx::app::view_texts
