#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <set>

#include "andon/layout.h"
#include "app/sim/sim_state.h"
#include "console/command_runner.h"
#include "protocol/catalogue.h"
#include "protocol/decoded_fields.h"
#include "protocol/display.h"
#include "sim/bus.h"
#include "sim/devices_file.h"

// One vocabulary: for every command, the fields `send` takes come back under the same names
// and values from the decoder of the bytes it built, and the simulator's state names the same
// values.
namespace tvx::app {
namespace {

using protocol::Command;
using protocol::DecodedPacket;
namespace f = protocol::fields;

struct Case {
  Command command;
  console::FieldValues fields;  // as send takes them, in the forms the console sends as given
  int device = -1;              // the default bus's device whose state names them
};

andon::GridLayout Grid() {
  andon::GridLayout grid;
  grid.cells[0][1] = {protocol::Shade::kRed, ""};
  grid.cells[2][11] = {protocol::Shade::kRed, "YS"};
  grid.cells[1][4] = {protocol::Shade::kDark, "RF"};
  grid.cells[5][24] = {protocol::Shade::kDark, ""};
  return grid;
}

std::vector<Case> Cases() {
  return {
      {Command::kAC1, {{f::kGroup, "01"}, {f::kUnit, "01"}}, 0},
      {Command::kAC2,
       {{f::kGroup, "01"},
        {f::kUnit, "01"},
        {f::kRow, "3"},
        {f::kColumn, "12"},
        {f::kAttribute, "FF"},
        {f::kPrimary, "G"},
        {f::kSecondary, "Y"}},
       0},
      {Command::kAC2,
       {{f::kGroup, "01"},
        {f::kUnit, "01"},
        {f::kRow, "4"},
        {f::kColumn, "7"},
        {f::kCharacters, "AB"},
        {f::kAttribute, "FS"}},
       0},
      {Command::kMRQ,
       {{f::kGroup, "01"},
        {f::kUnit, "02"},
        {f::kSerial, "10002"},
        {f::kMessage, "HELLO"},
        {f::kFlash, "ON"},
        {f::kCarriageReturn, "ON"},
        {f::kClearHome, "OFF"},
        {f::kAutoCentre, "ON"}},
       1},
      {Command::kNUM,
       {{f::kGroup, "01"},
        {f::kUnit, "03"},
        {f::kNumber, "1234"},
        {f::kRow, "1"},
        {f::kColumn, "3"},
        {f::kAttribute, "FS"}},
       2},
      {Command::kTU1,
       {{f::kGroup, "01"},
        {f::kUnit, "05"},
        {f::kTune, "5"},
        {f::kSeconds, "10"},
        {f::kRepeat, "2"},
        {f::kDuration, "30"},
        {f::kPriority, "1"}},
       4},
      {Command::kTU2, {{f::kGroup, "01"}, {f::kUnit, "05"}, {f::kTune, "7"}}, 4},
      {Command::kVL1,
       {{f::kGroup, "01"},
        {f::kUnit, "05"},
        {f::kSerial, "10005"},
        {f::kVolume, "10"},
        {f::kChannel, "3"}},
       4},
      {Command::kSL1,
       {{f::kGroup, "01"}, {f::kUnit, "04"}, {f::kRow, "3"}, {f::kAttribute, "FF"}},
       3},
      {Command::kSDM, {{f::kTemplate, "7"}}, 1},
      {Command::kMisc, {{f::kPacket, "<02>0103<1B>NUM42N1A<04>"}}, 2},
      {Command::kTest, {{f::kGroup, "01"}, {f::kUnit, "06"}}, 5},
      {Command::kClear, {{f::kGroup, "01"}, {f::kUnit, "06"}}, 5},
      {Command::kDiag, {{f::kGroup, "00"}, {f::kUnit, "00"}}, 5},
      {Command::kBoot, {}, 5},
      {Command::kSVN, {}, 5},
      {Command::kModifySerial, {{f::kSerial, "12345"}}, 0},
      {Command::kSGU,
       {{f::kSerial, "10004"},
        {f::DeviceSetGroup(1), "02"},
        {f::DeviceSetUnit(1), "07"},
        {f::DeviceSetGroup(15), "03"},
        {f::DeviceSetUnit(15), "01"}},
       3},
      {Command::kSBT, {{f::kSerial, "10001"}, {f::kBoardType, "3"}}, 0},
      {Command::kSBS, {{f::kSerial, "10001"}, {f::kSubBoardType, "AB-12"}}, 0},
      {Command::kSLI, {{f::kIntensity, "12"}}, 0},
      {Command::kSFD, {{f::kSerial, "10001"}, {f::kFaderLevel, "50"}}, 0},
      {Command::kSAC, {{f::kSerial, "10001"}, {f::kColumns, "12"}}, 0},
      {Command::kSMB, {{f::kRegular, "5"}, {f::kLampTest, "12"}}, 0},
      {Command::kSOR, {{f::kSerial, "10001"}, {f::kSeries, "614"}}, 0},
      {Command::kSMD, {{f::kSerial, "10001"}, {f::kDetect, "1"}}, 0},
  };
}

std::string Text(const QJsonValue& value) {
  return value.toString().toStdString();
}

// Whether `json` holds `value` under `name`, at any depth: as the member itself, or as a
// setting ("SBT board-type").
bool Names(const QJsonValue& json, const std::string& name, const std::string& value) {
  if (json.isArray()) {
    for (const QJsonValue v : json.toArray()) {
      if (Names(v, name, value)) return true;
    }
  }
  if (!json.isObject()) return false;
  const QJsonObject object = json.toObject();
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string key = it.key().toStdString();
    const bool named = key == name || key.ends_with(" " + name);
    if (named && it.value().isString() && Text(it.value()) == value) return true;
    if (Names(it.value(), name, value)) return true;
  }
  return false;
}

// The cell a case painted, as its codes read in the state.
std::optional<protocol::CellCodes> StateCell(const QJsonObject& device, const std::string& row,
                                             const std::string& column) {
  const QJsonValue cell =
      device["cells"].toArray()[std::stoi(row) - 1].toArray()[std::stoi(column) - 1];
  return protocol::CellCodes::Parse(Text(cell));
}

// The state's name for a field where it is not the field's own.
void ExpectStateNames(const Case& c, const QJsonObject& d, const std::string& name,
                      const std::string& value, const protocol::FieldListing& listing) {
  const std::string where = std::string(protocol::NameOf(c.command)) + " " + name;
  const auto find = [&c](std::string_view field) {
    for (const auto& [n, v] : c.fields) {
      if (n == field) return v;
    }
    return std::string();
  };
  if (c.command == Command::kAC2) {
    const auto cell = StateCell(d, find(f::kRow), find(f::kColumn));
    ASSERT_TRUE(cell) << where;
    if (name == f::kAttribute) {
      EXPECT_TRUE(cell->attributes[static_cast<int>(*protocol::AttributeNamed(value))]) << where;
    } else if (name == f::kPrimary || name == f::kSecondary) {
      const auto colour = name == f::kPrimary ? cell->primary : cell->secondary;
      EXPECT_EQ(colour, protocol::ColourOfLetter(value[0])) << where;
    } else if (name == f::kCharacters) {
      EXPECT_EQ(cell->characters, value) << where;
    }
  } else if (c.command == Command::kSL1) {
    EXPECT_EQ(Text(d["rows"].toObject()[QString::fromStdString(find(f::kRow))]),
              find(f::kAttribute))
        << where;
  } else if (c.command == Command::kSGU) {
    const int set = std::stoi(name.substr(2));
    bool found = false;
    for (const QJsonValue s : d["device-sets"].toArray()) {
      const std::string part = name.ends_with(f::kGroup) ? f::kGroup : f::kUnit;
      found = found || (s["set"].toInt() == set && Text(s[QString::fromStdString(part)]) == value);
    }
    EXPECT_TRUE(found) << where;
  } else if (listing.packet_field == f::kNewSerial) {
    EXPECT_EQ(std::to_string(d[f::kSerial].toInt()), value) << where;
  } else if (name == f::kMessage) {
    EXPECT_EQ(Text(d["text"]), value) << where;  // the state file's older name
  } else if (listing.choices ==
             std::vector<std::string>{std::string(protocol::kOn), std::string(protocol::kOff)}) {
    EXPECT_EQ(d[QString::fromStdString(name)].toBool(), value == protocol::kOn) << where;
  } else {
    EXPECT_TRUE(Names(d, name, value)) << where << " = " << value;
  }
}

void ExpectDecoded(const Case& c, const std::vector<DecodedPacket>& packets,
                   const std::string& bytes) {
  const protocol::CommandListing& listing = protocol::ListingOf(c.command);
  for (const auto& given : c.fields) {
    // Named, not bound: clang 14 cannot capture a structured binding in the lambda below.
    const std::string& name = given.first;
    const std::string& value = given.second;
    const protocol::FieldListing* field = listing.Field(name);
    ASSERT_NE(field, nullptr) << listing.name << " " << name;
    const bool found = std::any_of(packets.begin(), packets.end(), [&](const DecodedPacket& p) {
      switch (field->place) {
        case protocol::Place::kGroup:
          return p.group == value;
        case protocol::Place::kUnit:
          return p.unit == value;
        case protocol::Place::kSerial:
          return p.serial == value;
        case protocol::Place::kField:
          return protocol::FieldValue(p, field->packet_field) == value;
        case protocol::Place::kPackets:
          return protocol::DisplayForm(bytes) == value;
        case protocol::Place::kCells:
          return false;
      }
      return false;
    });
    EXPECT_TRUE(found) << listing.name << " " << name << "=" << value << " decodes otherwise";
  }
}

// AC1's grid: each set cell is one packet naming its cell as the grid file does.
void ExpectGridDecoded(const std::vector<DecodedPacket>& packets) {
  const andon::GridLayout grid = Grid();
  std::size_t set = 0;
  for (int r = 0; r < protocol::kAndonRows; ++r) {
    for (int c = 0; c < protocol::kAndonColumns; ++c) {
      const protocol::AndonCell& cell = grid.cells[r][c];
      if (cell.shade == protocol::Shade::kUnset) continue;
      ++set;
      const auto p = std::find_if(packets.begin(), packets.end(), [&](const DecodedPacket& p) {
        return protocol::FieldValue(p, f::kRow) == std::to_string(r + 1) &&
               protocol::FieldValue(p, f::kColumn) == std::to_string(c + 1);
      });
      ASSERT_NE(p, packets.end()) << andon::CellToken(cell);
      EXPECT_EQ(protocol::FieldValue(*p, f::kShade), protocol::ShadeName(cell.shade));
      EXPECT_EQ(protocol::FieldValue(*p, f::kFlashCode), cell.flash);
      EXPECT_EQ(protocol::FieldValue(*p, f::kAttribute), protocol::AttributeName(cell.Attribute()));
    }
  }
  EXPECT_EQ(packets.size(), set);
}

TEST(Vocabulary, EveryCommandsFieldsComeBackFromDecoderAndSimulator) {
  std::set<Command> covered;
  for (const Case& c : Cases()) {
    const std::string name = protocol::NameOf(c.command);
    covered.insert(c.command);
    console::CommandRequest request{name, c.fields};
    if (c.command == Command::kAC1) request.layout = Grid();
    const console::CommandOutcome o = console::RunCommand(request);
    ASSERT_EQ(o.kind, console::CommandOutcome::kSent) << name << ": " << o.message;
    std::string bytes;
    for (const auto& piece : o.pieces) bytes += piece.bytes;

    std::vector<DecodedPacket> packets;
    for (const protocol::DecodedItem& item : protocol::Decode(bytes)) {
      const auto* p = std::get_if<DecodedPacket>(&item);
      ASSERT_NE(p, nullptr) << name << ": " << protocol::Describe(item);
      if (c.command != Command::kMisc) {  // Misc's command is the one typed
        EXPECT_EQ(p->command, name);
      }
      packets.push_back(*p);
    }
    ExpectDecoded(c, packets, bytes);
    if (c.command == Command::kAC1) ExpectGridDecoded(packets);

    sim::Bus bus(sim::DefaultBus());
    for (const DecodedPacket& p : packets) bus.Deliver(p);
    const QJsonObject device = BusStateJson(bus).array()[c.device].toObject();
    EXPECT_GT(device["packets"].toInt(), 0) << name << " reached its device";
    EXPECT_EQ(device["ignored"].toInt(), 0) << name << " changed its device";
    const protocol::CommandListing& listing = protocol::ListingOf(c.command);
    for (const auto& [field, value] : c.fields) {
      const protocol::FieldListing& fs = *listing.Field(field);
      if (fs.place != protocol::Place::kField) continue;  // the address, the typed packet
      ExpectStateNames(c, device, field, value, fs);
    }
    if (c.command == Command::kAC1) {
      const andon::GridLayout grid = Grid();
      EXPECT_EQ(StateCell(device, "3", "12"), protocol::CodesOf(grid.cells[2][11]));
      EXPECT_EQ(StateCell(device, "2", "5"), protocol::CodesOf(grid.cells[1][4]));
    }
  }
  EXPECT_EQ(covered.size(), protocol::Catalogue().size()) << "a command without a case";
}

}  // namespace
}  // namespace tvx::app
