#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "window/main_window.h"

// Entering a section and filling in its fields as the operator does: what `send`, presets and
// the window's preset list all go through, so that a field is filled the same way everywhere.
namespace tvx::console {

using FieldValues = std::vector<std::pair<std::string, std::string>>;  // name, value

// Enters the section whose button shows command (any case), as its button does; the service
// sections too while their buttons are hidden. Its caption, or nothing for an unknown command.
[[nodiscard]] std::optional<std::string> EnterSection(window::FrmMain& w,
                                                      const std::string& command);

// Fills in the fields of the section just entered, in the order given: types into boxes,
// clicks choices (a second click on the chosen button to choose none). Stops at the first
// field the section does not have, a field given twice, a text longer than its box admits or
// a value its choice does not take, and at the end checks that every choice given holds what
// was asked (choices may exclude each other). What is wrong, or nothing.
[[nodiscard]] std::optional<std::string> FillFields(window::FrmMain& w, const std::string& caption,
                                                    const FieldValues& fields);

bool SameLetters(const std::string& a, const std::string& b);
// "a, b, c".
std::string Join(const std::vector<std::string>& items);

}  // namespace tvx::console
