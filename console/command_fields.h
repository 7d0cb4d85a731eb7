#pragma once

#include <optional>
#include <string>
#include <vector>

#include "window/main_window.h"

// The fields of each command as a command line names them: the section's field labels in
// lower case with blanks as hyphens, plus group, unit and serial for the address. A field is
// a text box, or a choice among buttons named by their captions.
namespace tvx::console {

struct CommandField {
  std::string name;
  window::TextBox* box = nullptr;         // a text field
  std::vector<window::Control*> choices;  // or the buttons of a choice
  bool may_choose_none = false;           // a choice that can be left with none chosen

  // The value as the window holds it: the box's text, or the chosen button's short caption
  // ("none" when none is chosen).
  std::string Value() const;
  // What a box admits, in characters; 0 for no limit, and for a choice.
  int Limit() const;
  // The values a choice accepts.
  std::vector<std::string> Values() const;
};

// The fields of the command whose section button shows caption, read after entering the
// section (the address fields are there only where the section lets the operator use them).
// Nothing for an unknown command.
std::optional<std::vector<CommandField>> FieldsOf(window::FrmMain& w, const std::string& caption);

// A button's caption as a value: up to its first blank, without a trailing comma
// ("614 (with ...)" is 614, "0, force to ..." is 0).
std::string ShortCaption(const std::string& caption);

}  // namespace tvx::console
