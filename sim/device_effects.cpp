#include "sim/device_effects.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <iterator>

#include "protocol/commands.h"
#include "protocol/decoded_fields.h"

namespace tvx::sim {

using protocol::Command;
using protocol::DecodedPacket;
namespace fields = protocol::fields;

namespace {

std::string_view Field(const DecodedPacket& p, std::string_view name) {
  return protocol::FieldValue(p, name);
}

bool On(const DecodedPacket& p, std::string_view name) {
  return Field(p, name) == protocol::kOn;
}

// The cell's codes as text, as the board keeps them.
std::string Codes(const DecodedPacket& p) {
  const auto codes = protocol::CellCodesOf(p);
  return codes ? codes->Text() : std::string();
}

// One or two digits, as a device reads a row or column number; nothing for other text.
std::optional<int> SmallNumber(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> NumberWithin(std::string_view text, int last) {
  const auto value = SmallNumber(text);
  if (!value || *value < 1 || *value > last) return std::nullopt;
  return value;
}

void Assign(std::optional<std::string>& slot, std::string_view text) {
  if (slot) {
    slot->assign(text);
  } else {
    slot.emplace(text);
  }
}

// --- andon boards

void PaintCell(AndonBoard& board, int row, int column, const std::string& codes) {
  Assign(board.cells[row - 1][column - 1], codes);
  board.sub_cells.erase(board.sub_cells.lower_bound({row, column, INT_MIN, INT_MIN}),
                        board.sub_cells.lower_bound({row, column + 1, INT_MIN, INT_MIN}));
}

bool RowCell(AndonBoard& board, const DecodedPacket& p) {
  const auto r = NumberWithin(Field(p, fields::kRow), protocol::kAndonRows);
  const auto c = NumberWithin(Field(p, fields::kColumn), protocol::kAndonColumns);
  if (!r || !c) return false;
  PaintCell(board, *r, *c, Codes(p));
  return true;
}

bool SubCell(AndonBoard& board, const DecodedPacket& p) {
  const std::string_view row = Field(p, fields::kRow), column = Field(p, fields::kColumn);
  const std::string_view sub_row = Field(p, fields::kSubRow);
  const std::string_view sub_column = Field(p, fields::kSubColumn);
  const std::string codes = Codes(p);
  // The console sends row and column as typed; a board has room for its own grid only.
  const auto r = NumberWithin(row, protocol::kAndonRows);
  const auto c = NumberWithin(column, protocol::kAndonColumns);
  if (!r || !c) return false;
  if (sub_row.empty() && sub_column.empty()) {
    PaintCell(board, *r, *c, codes);
    return true;
  }
  const auto sr = sub_row.empty() ? std::optional<int>(-1) : SmallNumber(sub_row);
  const auto sc = sub_column.empty() ? std::optional<int>(-1) : SmallNumber(sub_column);
  if (!sr || !sc) return false;
  const SubCellKey key{*r, *c, *sr, *sc};
  auto at = board.sub_cells.find(key);
  if (at == board.sub_cells.end()) {
    if (board.sub_cells.size() >= kMaxSubCells) return false;
    at = board.sub_cells.emplace(key, std::string()).first;
  }
  at->second.assign(codes);
  return true;
}

// --- marquees, numeric displays, stack lights, tune units

bool MarqueeText(Marquee& m, const DecodedPacket& p) {
  m.text.assign(Field(p, fields::kMessage));
  m.clear_home = On(p, fields::kClearHome);
  m.carriage_return = On(p, fields::kCarriageReturn);
  m.flash = On(p, fields::kFlash);
  return true;
}

bool AutoCentre(Marquee& m, const DecodedPacket& p) {
  m.auto_centre = On(p, fields::kAutoCentre);
  return true;
}

bool DisplayMode(Marquee& m, const DecodedPacket& p) {
  Assign(m.template_id, Field(p, fields::kTemplate));
  return true;
}

bool Number(NumericDisplay& d, const DecodedPacket& p) {
  d.number.assign(Field(p, fields::kNumber));
  d.row.assign(Field(p, fields::kRow));
  d.column.assign(Field(p, fields::kColumn));
  d.attribute.assign(Field(p, fields::kAttribute));
  return true;
}

inline constexpr int kStackLightRows = 99;  // the row box holds two characters

bool StackLightRow(StackLight& s, const DecodedPacket& p) {
  const auto row = NumberWithin(Field(p, fields::kRow), kStackLightRows);
  if (!row) return false;
  s.rows[*row].assign(Field(p, fields::kAttribute));
  return true;
}

bool PlayTune(TuneUnit& t, const DecodedPacket& p) {
  if (!t.last_tune) t.last_tune.emplace();
  Tune& tune = *t.last_tune;
  tune.code.assign(p.code);
  tune.tune.assign(Field(p, fields::kTune));
  tune.seconds.assign(Field(p, fields::kSeconds));
  tune.repeat.assign(Field(p, fields::kRepeat));
  tune.duration.assign(Field(p, fields::kDuration));
  tune.priority.assign(Field(p, fields::kPriority));
  ++t.tunes_played;
  return true;
}

// Runs `apply` when the device is of the kind that has `State`.
template <typename State, bool (*apply)(State&, const DecodedPacket&)>
bool OnKind(Device& d, const DecodedPacket& p) {
  State* state = std::get_if<State>(&d.state);
  return state && apply(*state, p);
}

// --- maintenance

void Clear(DeviceState& state) {
  struct Visitor {
    void operator()(AndonBoard& b) const {
      for (auto& row : b.cells) std::fill(row.begin(), row.end(), std::nullopt);
      b.sub_cells.clear();
    }
    void operator()(Marquee& m) const {
      // The message goes with its options; auto-centre and the template stay.
      m.text.clear();
      m.clear_home = m.carriage_return = m.flash = false;
    }
    void operator()(NumericDisplay& d) const { d = {}; }
    void operator()(StackLight& s) const { s.rows.clear(); }
    void operator()(TuneUnit&) const {}
    void operator()(HeadEnd&) const {}
  };
  std::visit(Visitor{}, state);
}

template <protocol::Maintenance command>
bool Maintain(Device& d, const DecodedPacket&) {
  MaintenanceCounts& m = d.maintenance;
  switch (command) {
    case protocol::Maintenance::kSoftwareVersion:
      // The head-end shows its version and boot information; nobody else answers SVN.
      if (!std::holds_alternative<HeadEnd>(d.state)) return false;
      ++m.version_requests;
      break;
    case protocol::Maintenance::kLampTest:
      ++m.lamp_tests;
      break;
    case protocol::Maintenance::kClear:
      ++m.clears;
      Clear(d.state);
      break;
    case protocol::Maintenance::kDiagnostics:
      ++m.diagnostics;
      break;
    case protocol::Maintenance::kSoftBoot:
      ++m.soft_boots;
      break;
  }
  return true;
}

// --- configuration and settings

bool SetGroupUnit(Device& d, const DecodedPacket& p) {
  // The decoder names the sets' fields in order: ds1-group, ds1-unit, ds2-group, ...
  if (p.fields.size() != 2 * d.sets.size()) return false;
  for (std::size_t i = 0; i < d.sets.size(); ++i) {
    d.sets[i].group.assign(p.fields[2 * i].value);
    d.sets[i].unit.assign(p.fields[2 * i + 1].value);
  }
  const auto first = std::find_if(d.sets.begin(), d.sets.end(), std::mem_fn(&DeviceSet::Enabled));
  const DeviceSet answer = first == d.sets.end() ? DeviceSet{} : *first;
  d.identity.group = answer.group;
  d.identity.unit = answer.unit;
  return true;
}

bool ModifySerial(Device& d, const DecodedPacket& p) {
  const std::string_view serial = Field(p, fields::kNewSerial);
  if (serial.size() != 5) return false;
  d.identity.serial = std::stoi(std::string(serial));
  return true;
}

bool Setting(Device& d, const DecodedPacket& p) {
  for (const protocol::DecodedField& f : p.fields) {
    d.settings[p.command + " " + f.name] = f.value;
  }
  return true;
}

}  // namespace

struct PacketEffect::Rule {
  Command command;
  std::string_view code;  // only where one command has several packets
  bool (*apply)(Device&, const DecodedPacket&);
  bool readdresses = false;
};

namespace {

template <int i>
constexpr PacketEffect::Rule MaintenanceRule() {
  return {protocol::kMaintenance[i].command, {}, Maintain<static_cast<protocol::Maintenance>(i)>};
}

const PacketEffect::Rule kRules[] = {
    {Command::kAC1, {}, OnKind<AndonBoard, RowCell>},
    {Command::kAC2, {}, OnKind<AndonBoard, SubCell>},
    {Command::kMRQ, protocol::CodeOf(Command::kMRQ), OnKind<Marquee, AutoCentre>},
    {Command::kMRQ, {}, OnKind<Marquee, MarqueeText>},
    {Command::kSDM, {}, OnKind<Marquee, DisplayMode>},
    {Command::kNUM, {}, OnKind<NumericDisplay, Number>},
    {Command::kSL1, {}, OnKind<StackLight, StackLightRow>},
    {Command::kTU1, {}, OnKind<TuneUnit, PlayTune>},
    {Command::kTU2, {}, OnKind<TuneUnit, PlayTune>},
    MaintenanceRule<0>(),
    MaintenanceRule<1>(),
    MaintenanceRule<2>(),
    MaintenanceRule<3>(),
    MaintenanceRule<4>(),
    {Command::kSGU, {}, SetGroupUnit, true},
    {Command::kModifySerial, {}, ModifySerial, true},
    {Command::kSBT, {}, Setting},
    {Command::kSBS, {}, Setting},
    {Command::kSFD, {}, Setting},
    {Command::kSAC, {}, Setting},
    {Command::kSOR, {}, Setting},
    {Command::kSMD, {}, Setting},
    {Command::kSLI, {}, Setting},
    {Command::kSMB, {}, Setting},
    {Command::kVL1, {}, Setting},
};
static_assert(std::size(protocol::kMaintenance) == 5);

const PacketEffect::Rule* RuleOf(const DecodedPacket& p) {
  for (const PacketEffect::Rule& rule : kRules) {
    if (p.command == protocol::NameOf(rule.command) && (rule.code.empty() || rule.code == p.code))
      return &rule;
  }
  return nullptr;
}

}  // namespace

PacketEffect::PacketEffect(const DecodedPacket& packet) : packet_(packet), rule_(RuleOf(packet)) {}

bool PacketEffect::ApplyTo(Device& device) const {
  ++device.packets;
  const bool kept = rule_ && rule_->apply(device, packet_);
  if (!kept) ++device.ignored;
  return kept;
}

bool PacketEffect::Readdresses() const {
  return rule_ && rule_->readdresses;
}

}  // namespace tvx::sim
