#include "console/command_fields.h"

#include <algorithm>

#include "protocol/catalogue.h"
#include "protocol/config_commands.h"

namespace tvx::console {

using window::Control;
using window::ControlKind;

namespace {

namespace f = protocol::fields;
using protocol::Command;

// The controls of a command's field: one text box, or the buttons of a choice in the order of
// the catalogue's choices.
struct FieldRow {
  std::string name;
  std::vector<const char*> controls;
};

struct CommandRow {
  Command command;
  std::vector<FieldRow> fields;
};

const std::vector<FieldRow> kAttribute = {
    {f::kAttribute, {"NUMAttON", "NUMAttOFF", "NUMAttFS", "NUMAttFF"}}};

// TU1 and TU2 share their section's fields.
const std::vector<FieldRow> kTune = {{f::kTune, {"TUNText"}},
                                     {f::kSeconds, {"SecondsText"}},
                                     {f::kRepeat, {"RepeatText"}},
                                     {f::kDuration, {"DurationText"}},
                                     {f::kPriority, {"PriorityText"}}};

std::vector<FieldRow> With(std::vector<FieldRow> fields, const std::vector<FieldRow>& more) {
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

std::vector<FieldRow> DeviceSets() {
  static const std::vector<std::string> boxes = [] {
    std::vector<std::string> n;
    for (int i = 0; i < protocol::kDeviceSets; ++i) {
      n.push_back("txtSGUGroup(" + std::to_string(i) + ")");
      n.push_back("txtSGUUnit(" + std::to_string(i) + ")");
    }
    return n;
  }();
  std::vector<FieldRow> rows;
  for (int i = 0; i < protocol::kDeviceSets; ++i) {
    rows.push_back({f::DeviceSetGroup(i + 1), {boxes[2 * i].c_str()}});
    rows.push_back({f::DeviceSetUnit(i + 1), {boxes[2 * i + 1].c_str()}});
  }
  return rows;
}

const std::vector<CommandRow>& Commands() {
  static const std::vector<CommandRow> rows = {
      {Command::kAC1, {}},
      {Command::kAC2,
       {{f::kRow, {"NumRowText"}},
        {f::kColumn, {"NumColText"}},
        {f::kSubRow, {"AC2SubRowText"}},
        {f::kSubColumn, {"AC2SubColText"}},
        {f::kCharacters, {"NUMText"}},
        {f::kAttribute, {"ORM610AttON", "ORM610AttOFF", "ORM610AttFS", "ORM610AttFF"}},
        {f::kPrimary, {"ORM610PriB", "ORM610PriR", "ORM610PriY", "ORM610PriG"}},
        {f::kSecondary, {"ORM610SecB", "ORM610SecR", "ORM610SecY", "ORM610SecG"}}}},
      {Command::kMRQ,
       {{f::kMessage, {"MRQText"}},
        {f::kFlash, {"MRQFlashON", "MRQFlashOFF"}},
        {f::kClearHome, {"MRQCHON", "MRQCHOFF"}},
        {f::kCarriageReturn, {"MRQCRON", "MRQCROFF"}},
        {f::kAutoCentre, {"MRQAutoCenterON", "MRQAutoCenterOFF"}}}},
      {Command::kNUM,
       With({{f::kNumber, {"NUMText"}}, {f::kRow, {"NumRowText"}}, {f::kColumn, {"NumColText"}}},
            kAttribute)},
      {Command::kTU1, kTune},
      {Command::kTU2, kTune},
      {Command::kVL1, {{f::kVolume, {"VolumeText"}}, {f::kChannel, {"ChannelText"}}}},
      {Command::kSL1, With({{f::kRow, {"NumRowText"}}}, kAttribute)},
      {Command::kSDM, {{f::kTemplate, {"NUMText"}}}},
      {Command::kMisc, {{f::kPacket, {"PacketText"}}}},
      {Command::kTest, {}},
      {Command::kClear, {}},
      {Command::kDiag, {}},
      {Command::kBoot, {}},
      {Command::kSVN, {}},
      {Command::kModifySerial, {}},
      {Command::kSGU, DeviceSets()},
      {Command::kSBT, {{f::kBoardType, {"SBTText"}}}},
      {Command::kSBS, {{f::kSubBoardType, {"SBSText"}}}},
      {Command::kSLI, {{f::kIntensity, {"SLIText"}}}},
      {Command::kSFD, {{f::kFaderLevel, {"SFDText"}}}},
      {Command::kSAC, {{f::kColumns, {"NUMText"}}}},
      {Command::kSMB, {{f::kRegular, {"SMBText1"}}, {f::kLampTest, {"SMBText2"}}}},
      {Command::kSOR, {{f::kSeries, {"optSOR(0)", "optSOR(1)"}}}},
      {Command::kSMD, {{f::kDetect, {"optSMD(0)", "optSMD(1)", "optSMD(2)"}}}},
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
  return protocol::kNoChoice;
}

int CommandField::Limit() const {
  return box ? box->MaxLength() : 0;
}

std::vector<std::string> CommandField::Values() const {
  std::vector<std::string> values;
  for (const Control* c : choices) values.push_back(ShortCaption(c->Caption()));
  if (may_choose_none) values.push_back(protocol::kNoChoice);
  return values;
}

std::optional<std::vector<CommandField>> FieldsOf(window::FrmMain& w, const std::string& caption) {
  const auto& rows = Commands();
  const auto row = std::find_if(rows.begin(), rows.end(), [&](const CommandRow& r) {
    return caption == protocol::NameOf(r.command);
  });
  if (row == rows.end()) return std::nullopt;
  const protocol::CommandListing& listing = protocol::ListingOf(row->command);
  std::vector<CommandField> fields;
  const std::pair<const char*, window::TextBox*> address[] = {
      {f::kGroup, w.GroupText}, {f::kUnit, w.UnitText}, {f::kSerial, w.SernoText}};
  for (const auto& [name, box] : address) {
    if (box->Reachable()) fields.push_back({name, box, {}, false});
  }
  for (const FieldRow& row_field : row->fields) {
    const protocol::FieldListing* known = listing.Field(row_field.name);
    CommandField field{row_field.name, nullptr, {}, known && known->may_choose_none};
    if (row_field.controls.size() == 1) {
      field.box = static_cast<window::TextBox*>(w.controls.Find(row_field.controls[0]));
    } else {
      for (const char* name : row_field.controls) field.choices.push_back(w.controls.Find(name));
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace tvx::console
