#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "console/field_filling.h"
#include "window/main_window.h"

// Command presets: a section with its fields, choices and address, kept under a name and put
// back as the operator would fill them in. Applying one sends nothing; Send does.
namespace tvx::console {

struct Preset {
  std::string name;     // UTF-8
  std::string command;  // the section button's caption
  // Every field of the section and of the address it lets the operator use, by the names of
  // FieldsOf; values in the console's characters, a choice by its caption or "none".
  FieldValues fields;
  bool operator==(const Preset&) const = default;
};

inline constexpr std::size_t kMaxPresetNameLength = 64;  // characters

// Blanks at either end dropped.
std::string TrimmedPresetName(const std::string& name);
// What is wrong with a (trimmed) name, or nothing: it must have 1 to 64 characters, none of
// them a control character.
[[nodiscard]] std::optional<std::string> PresetNameProblem(const std::string& name);

// The section entered in the window with its fields as they stand, under no name yet; what
// is wrong instead when no section, or more than one, is entered.
[[nodiscard]] std::variant<Preset, std::string> CapturePreset(window::FrmMain& w);

// What keeps the preset from being applied as the sections stand now (an unknown command, a
// field the section does not have, a value a choice does not take, a text longer than its box
// admits, choices that exclude each other), naming the preset; nothing when it applies. It is
// tried out on a console of its own. Messages are in the console's characters, like the
// values they quote.
[[nodiscard]] std::optional<std::string> CheckPreset(const Preset& preset);

// Leaves the section the window is in (as Cancel does), enters the preset's section and fills
// in its fields as the operator would. A preset that does not apply is refused as CheckPreset
// says, and then nothing in the window changes.
[[nodiscard]] std::optional<std::string> ApplyPreset(window::FrmMain& w, const Preset& preset);

// Presets by name, in the order they were first saved.
class PresetStore {
 public:
  const std::vector<Preset>& All() const { return presets_; }
  const Preset* Find(const std::string& name) const;
  // Adds the preset, or replaces the one of its name where it stands; true when it replaced.
  bool Put(Preset preset);

 private:
  std::vector<Preset> presets_;
};

}  // namespace tvx::console
