#include "console/presets.h"

#include <algorithm>

#include "console/command_fields.h"
#include "console/offscreen_console.h"
#include "protocol/printable_text.h"
#include "window/operator_events.h"

namespace tvx::console {

namespace {

// The flags each section sets, learnt by entering every section once: the window model keeps
// no other record of which section it is in.
const std::vector<std::pair<window::CommandFlags, std::string>>& SectionFlags() {
  static const auto table = [] {
    std::vector<std::pair<window::CommandFlags, std::string>> rows;
    OffscreenConsole c(protocol::Link::Serial);
    for (window::Button* b : c.w.SectionButtons()) {
      if (!b->on_click) continue;
      b->on_click();
      rows.emplace_back(c.w.flags, b->Caption());
      window::OperatorClick(*c.w.CancelButton);
    }
    return rows;
  }();
  return table;
}

std::optional<std::string> ActiveSection(const window::FrmMain& w) {
  for (const auto& [flags, caption] : SectionFlags()) {
    if (flags == w.flags) return caption;
  }
  return std::nullopt;
}

// Enters the preset's section and fills it in; the fields go in the section's own order,
// whatever order the preset lists them in.
std::optional<std::string> EnterAndFill(window::FrmMain& w, const Preset& preset) {
  const auto caption = EnterSection(w, preset.command);
  if (!caption) return "unknown command '" + preset.command + "'";
  const auto section_fields = *FieldsOf(w, *caption);
  auto rank = [&section_fields](const std::string& name) {
    return std::find_if(section_fields.begin(), section_fields.end(),
                        [&name](const CommandField& f) { return f.name == name; }) -
           section_fields.begin();
  };
  FieldValues ordered = preset.fields;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [&rank](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
  return FillFields(w, *caption, ordered);
}

// In the console's characters, as the problem's values are.
std::string Refusal(const Preset& preset, const std::string& problem) {
  return "preset '" + protocol::ToConsoleText(preset.name) + "' cannot be applied: " + problem;
}

}  // namespace

std::string TrimmedPresetName(const std::string& name) {
  const auto first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(" \t") - first + 1);
}

std::optional<std::string> PresetNameProblem(const std::string& name) {
  if (name.empty()) return std::string("a preset needs a name");
  std::size_t characters = 0;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) return std::string("a preset name holds no control characters");
    if ((byte & 0xC0) != 0x80) ++characters;  // UTF-8: continuation bytes do not count
  }
  if (characters > kMaxPresetNameLength) {
    return "a preset name has at most " + std::to_string(kMaxPresetNameLength) + " characters";
  }
  return std::nullopt;
}

std::variant<Preset, std::string> CapturePreset(window::FrmMain& w) {
  if (!w.flags.Any()) return std::string("no section is entered");
  const auto caption = ActiveSection(w);
  // Clicks never set two flags; a model that says so is not guessed at.
  if (!caption) return std::string("more than one section is entered; press Cancel first");
  Preset preset{{}, *caption, {}};
  const auto fields = *FieldsOf(w, *caption);
  for (const CommandField& f : fields) preset.fields.emplace_back(f.name, f.Value());
  return preset;
}

std::optional<std::string> CheckPreset(const Preset& preset) {
  OffscreenConsole trial(protocol::Link::Serial);
  if (auto wrong = EnterAndFill(trial.w, preset)) return Refusal(preset, *wrong);
  return std::nullopt;
}

std::optional<std::string> ApplyPreset(window::FrmMain& w, const Preset& preset) {
  if (auto wrong = CheckPreset(preset)) return wrong;
  if (w.flags.Any()) window::OperatorClick(*w.CancelButton);
  if (w.flags.Any()) return Refusal(preset, "the section entered cannot be left");
  if (auto wrong = EnterAndFill(w, preset)) return Refusal(preset, *wrong);
  return std::nullopt;
}

const Preset* PresetStore::Find(const std::string& name) const {
  const auto it = std::find_if(presets_.begin(), presets_.end(),
                               [&name](const Preset& p) { return p.name == name; });
  return it == presets_.end() ? nullptr : &*it;
}

bool PresetStore::Put(Preset preset) {
  for (Preset& p : presets_) {
    if (p.name == preset.name) {
      p = std::move(preset);
      return true;
    }
  }
  presets_.push_back(std::move(preset));
  return false;
}

}  // namespace tvx::console
