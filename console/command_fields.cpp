#include "console/command_fields.h"

#include <algorithm>

namespace tvx::console {

using window::Control;
using window::ControlKind;

namespace {

struct FieldRow {
  const char* name;
  std::vector<const char*> controls;  // one text box, or the buttons of a choice
  bool may_choose_none = false;
};

struct CommandRow {
  const char* caption;
  std::vector<FieldRow> fields;
};

const std::vector<FieldRow> kAttribute = {
    {"attribute", {"NUMAttON", "NUMAttOFF", "NUMAttFS", "NUMAttFF"}}};

// TU1 and TU2 share their section's fields.
const std::vector<FieldRow> kTune = {{"tune", {"TUNText"}},
                                     {"seconds", {"SecondsText"}},
                                     {"repeat", {"RepeatText"}},
                                     {"duration", {"DurationText"}},
                                     {"priority", {"PriorityText"}}};

std::vector<FieldRow> With(std::vector<FieldRow> fields, const std::vector<FieldRow>& more) {
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

std::vector<FieldRow> DeviceSets() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int i = 1; i <= 15; ++i) {
      n.push_back("ds" + std::to_string(i) + "-group");
      n.push_back("txtSGUGroup(" + std::to_string(i - 1) + ")");
      n.push_back("ds" + std::to_string(i) + "-unit");
      n.push_back("txtSGUUnit(" + std::to_string(i - 1) + ")");
    }
    return n;
  }();
  std::vector<FieldRow> rows;
  for (std::size_t i = 0; i < names.size(); i += 2)
    rows.push_back({names[i].c_str(), {names[i + 1].c_str()}});
  return rows;
}

const std::vector<CommandRow>& Commands() {
  static const std::vector<CommandRow> rows = {
      {"AC1", {}},
      {"AC2",
       {{"row", {"NumRowText"}},
        {"column", {"NumColText"}},
        {"sub-row", {"AC2SubRowText"}},
        {"sub-column", {"AC2SubColText"}},
        {"characters", {"NUMText"}},
        {"attribute", {"ORM610AttON", "ORM610AttOFF", "ORM610AttFS", "ORM610AttFF"}},
        {"primary", {"ORM610PriB", "ORM610PriR", "ORM610PriY", "ORM610PriG"}},
        {"secondary", {"ORM610SecB", "ORM610SecR", "ORM610SecY", "ORM610SecG"}}}},
      {"MRQ",
       {{"message", {"MRQText"}},
        {"flash", {"MRQFlashON", "MRQFlashOFF"}},
        {"clear-home", {"MRQCHON", "MRQCHOFF"}},
        {"carriage-return", {"MRQCRON", "MRQCROFF"}},
        {"auto-centre", {"MRQAutoCenterON", "MRQAutoCenterOFF"}, true}}},
      {"NUM", With({{"number", {"NUMText"}}, {"row", {"NumRowText"}}, {"column", {"NumColText"}}},
                   kAttribute)},
      {"TU1", kTune},
      {"TU2", kTune},
      {"VL1", {{"volume", {"VolumeText"}}, {"channel", {"ChannelText"}}}},
      {"SL1", With({{"row", {"NumRowText"}}}, kAttribute)},
      {"SDM", {{"template", {"NUMText"}}}},
      {"Misc", {{"packet", {"PacketText"}}}},
      {"Test", {}},
      {"Clear", {}},
      {"Diag", {}},
      {"Boot", {}},
      {"SVN", {}},
      {"SS#", {}},
      {"SGU", DeviceSets()},
      {"SBT", {{"board-type", {"SBTText"}}}},
      {"SBS", {{"sub-board-type", {"SBSText"}}}},
      {"SLI", {{"intensity", {"SLIText"}}}},
      {"SFD", {{"fader-level", {"SFDText"}}}},
      {"SAC", {{"columns", {"NUMText"}}}},
      {"SMB", {{"regular", {"SMBText1"}}, {"lamp-test", {"SMBText2"}}}},
      {"SOR", {{"series", {"optSOR(0)", "optSOR(1)"}}}},
      {"SMD", {{"detect", {"optSMD(0)", "optSMD(1)", "optSMD(2)"}}}},
  };
  return rows;
}

bool Chosen(const Control& c) {
  if (c.Kind() == ControlKind::OptionButton)
    return static_cast<const window::OptionButton&>(c).Value();
  return c.BackColor() != window::kLightGrey;
}

}  // namespace

std::string ShortCaption(const std::string& caption) {
  std::string value = caption.substr(0, caption.find(' '));
  if (!value.empty() && value.back() == ',') value.pop_back();
  return value;
}

std::string CommandField::Value() const {
  if (box) return box->Text();
  for (const Control* c : choices) {
    if (Chosen(*c)) return ShortCaption(c->Caption());
  }
  return kNoChoice;
}

int CommandField::Limit() const {
  return box ? box->MaxLength() : 0;
}

std::vector<std::string> CommandField::Values() const {
  std::vector<std::string> values;
  for (const Control* c : choices) values.push_back(ShortCaption(c->Caption()));
  if (may_choose_none) values.push_back(kNoChoice);
  return values;
}

std::optional<std::vector<CommandField>> FieldsOf(window::FrmMain& w, const std::string& caption) {
  const auto& rows = Commands();
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const CommandRow& r) { return caption == r.caption; });
  if (row == rows.end()) return std::nullopt;
  std::vector<CommandField> fields;
  const std::pair<const char*, window::TextBox*> address[] = {
      {"group", w.GroupText}, {"unit", w.UnitText}, {"serial", w.SernoText}};
  for (const auto& [name, box] : address) {
    if (box->Reachable()) fields.push_back({name, box, {}, false});
  }
  for (const FieldRow& f : row->fields) {
    CommandField field{f.name, nullptr, {}, f.may_choose_none};
    if (f.controls.size() == 1) {
      field.box = static_cast<window::TextBox*>(w.controls.Find(f.controls[0]));
    } else {
      for (const char* name : f.controls) field.choices.push_back(w.controls.Find(name));
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace tvx::console
