#pragma once

#include <ostream>
#include <string>

#include "console/presets.h"

// The presets file: one JSON document in the user's configuration directory, beside the
// settings file (~/.config/TVXORM/presets.json on Linux). The README describes its format.
namespace tvx::app {

std::string PresetFilePath();

struct [[nodiscard]] PresetFileRead {
  console::PresetStore presets;
  std::string error;  // why the file cannot be used; empty when it was read or does not exist
};
PresetFileRead ReadPresetFile(const std::string& path);

// The file's presets. A file that cannot be used gives none, with one warning.
console::PresetStore LoadPresets(const std::string& path, std::ostream& warnings);

struct PresetSaved {
  std::string error;             // why the file was not written; empty when it was
  std::string kept;              // where an unusable file was moved aside, when one was
  console::PresetStore presets;  // what the file holds now
};
// Adds the preset to what the file holds at this moment (another window may have saved
// since), or replaces the one of its name, and writes the file whole: a failed write leaves
// the old file as it was. A file that cannot be used is moved aside to PATH.unreadable, not
// overwritten, so a hand edit gone wrong can still be mended.
PresetSaved SavePreset(const std::string& path, const console::Preset& preset);

}  // namespace tvx::app
