// Round trips: every builder's packets, over each field's domain, decode to the fields they
// were built from and to the same bytes.
#include "protocol/decode.h"

#include <gtest/gtest.h>

#include <map>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "tests/protocol/decode_print.h"

namespace tvx::protocol {
namespace {

using Fields = std::vector<DecodedField>;

Packet Built(const BuildResult& result) {
  if (const auto* refusal = std::get_if<Refusal>(&result)) {
    ADD_FAILURE() << "refused: " << refusal->message;
    return {};
  }
  return std::get<Packet>(result);
}

// Decodes one packet's bytes and checks it comes back as a single packet.
DecodedPacket One(const Packet& packet, const std::string& label) {
  const std::string bytes = packet.Bytes();
  const auto items = Decode(bytes);
  if (items.size() != 1 || !std::holds_alternative<DecodedPacket>(items[0])) {
    ADD_FAILURE() << label << ": " << (items.empty() ? "nothing" : Describe(items[0]));
    return {};
  }
  const auto& decoded = std::get<DecodedPacket>(items[0]);
  EXPECT_EQ(decoded.bytes, bytes) << label;
  return decoded;
}

void ExpectFields(const Packet& packet, const std::string& command, const Fields& fields,
                  const std::string& label) {
  const DecodedPacket d = One(packet, label);
  EXPECT_EQ(d.command, command) << label;
  EXPECT_EQ(d.fields, fields) << label;
}

const std::map<std::string, std::string> kAttributeNames = {
    {"1A", "ON"}, {"0A", "OFF"}, {"2A", "FS"}, {"3A", "FF"}};
const char* const kAttributeCodes[] = {"1A", "0A", "2A", "3A", ""};

TEST(DecodeRoundTrip, NumberWithAndWithoutPositionAndAttribute) {
  const char* numbers[] = {"0", "-32768", "32767", "1234", "-12", " 7", "2.5"};
  const std::pair<const char*, const char*> positions[] = {{"", ""},   {"1", ""},    {"", "2"},
                                                           {"1", "2"}, {"12", "25"}, {"R", "C"}};
  for (const char* number : numbers) {
    for (const auto& [row, column] : positions) {
      for (const char* attribute : kAttributeCodes) {
        const Packet p = Built(BuildNumber({{"01", "02"}, number, row, column, attribute}));
        Fields expected;
        if (*row && *column) expected = {{"row", row}, {"column", column}};
        expected.push_back({"number", number});
        if (*attribute) expected.push_back({"attribute", kAttributeNames.at(attribute)});
        const std::string label = std::string(p.display);
        ExpectFields(p, "NUM", expected, label);
        const DecodedPacket d = One(p, label);
        EXPECT_EQ(d.envelope, Envelope::kGroupUnit);
        EXPECT_EQ(d.code, "NUM");
        EXPECT_EQ(d.group + "/" + d.unit, "01/02");
      }
    }
  }
}

TEST(DecodeRoundTrip, StackLightKeepsTheAddressAsTyped) {
  const Address addresses[] = {{"", ""}, {"", "05"}, {"01", "05"}, {"ab", "cd"}, {"00", "00"}};
  for (const Address& address : addresses) {
    for (const char* row : {"1", "-32768", "32767", " 3"}) {
      for (const char* attribute : kAttributeCodes) {
        const Packet p = Built(BuildStackLight({address, row, attribute, Link::Tcp}));
        Fields expected = {{"row", row}};
        if (*attribute) expected.push_back({"attribute", kAttributeNames.at(attribute)});
        ExpectFields(p, "SL1", expected, p.display);
        EXPECT_EQ(One(p, p.display).address, address.group + address.unit);
      }
    }
  }
}

TEST(DecodeRoundTrip, TunesWithEverySubsetOfOptionalValues) {
  const char* names[] = {"seconds", "repeat", "duration", "priority"};
  const char* plain[] = {"10", "2", "100", "9"};
  const char* letters[] = {"S", "R", "D", "P"};  // a value may be the letter of its own field
  for (const char* code : {"TU1", "TU2"}) {
    for (const char* tune : {"0", "255", "2.5"}) {
      for (const auto* values : {plain, letters}) {
        for (int subset = 0; subset < 16; ++subset) {
          TuneFields f{{"01", "02"}, code, tune, {}, {}, {}, {}};
          std::string* slots[] = {&f.seconds, &f.repeat, &f.duration, &f.priority};
          Fields expected = {{"tune", tune}};
          for (int i = 0; i < 4; ++i) {
            if (!(subset & (1 << i))) continue;
            *slots[i] = values[i];
            expected.push_back({names[i], values[i]});
          }
          const Packet p = Built(BuildTune(f));
          ExpectFields(p, code, expected, p.display + " " + std::to_string(subset));
        }
      }
    }
  }
}

// A value may hold a later field's letter; the split must look ahead to stay the inverse.
TEST(DecodeRoundTrip, TuneValuesHoldingOtherFieldsLetters) {
  const TuneFields cases[] = {
      {{"01", "02"}, "TU1", "3", "3R2", "", "", ""},
      {{"01", "02"}, "TU1", "3", "", "", "SR", ""},
      {{"01", "02"}, "TU2", "3", "1", "", "SR", ""},
      {{"01", "02"}, "TU2", "3", "", "2S", "", ""},
  };
  for (const TuneFields& f : cases) {
    Fields expected = {{"tune", "3"}};
    if (!f.seconds.empty()) expected.push_back({"seconds", f.seconds});
    if (!f.repeat.empty()) expected.push_back({"repeat", f.repeat});
    if (!f.duration.empty()) expected.push_back({"duration", f.duration});
    if (!f.priority.empty()) expected.push_back({"priority", f.priority});
    const Packet p = Built(BuildTune(f));
    ExpectFields(p, f.code, expected, p.display);
  }
}

TEST(DecodeRoundTrip, DisplayModeAndMaintenance) {
  for (const char* number : {"7", "007", "-5", "32767", "-32768"}) {
    const Packet p = Built(BuildDisplayMode(number));
    ExpectFields(p, "SDM", {{"template", number}}, p.display);
    EXPECT_EQ(One(p, p.display).envelope, Envelope::kFixedAddress);
  }
  const std::pair<Maintenance, const char*> commands[] = {{Maintenance::kSoftwareVersion, "SVN"},
                                                          {Maintenance::kLampTest, "Test"},
                                                          {Maintenance::kClear, "Clear"},
                                                          {Maintenance::kDiagnostics, "Diag"},
                                                          {Maintenance::kSoftBoot, "Boot"}};
  for (const auto& [command, section] : commands) {
    for (const Address& address : {Address{"00", "00"}, Address{"03", "12"}}) {
      const Packet p = BuildMaintenance(command, address);
      ExpectFields(p, section, {}, p.display);
    }
  }
}

TEST(DecodeRoundTrip, EveryAndonCellAtEveryRowAndEdgeColumn) {
  const std::pair<Shade, const char*> shades[] = {{Shade::kDark, "dark"},
                                                  {Shade::kRed, "red"},
                                                  {Shade::kYellow, "yellow"},
                                                  {Shade::kGreen, "green"}};
  const char* flashes[] = {"", "BS", "RS", "YS", "GS", "BF", "RF", "YF", "GF"};
  for (int row = 1; row <= kAndonRows; ++row) {
    for (int column : {1, 9, 10, kAndonColumns}) {
      for (const auto& [shade, shade_name] : shades) {
        for (const char* flash : flashes) {
          const auto p = BuildAndonCell({"01", "02"}, row, column, {shade, flash});
          ASSERT_TRUE(p);
          const DecodedPacket d = One(*p, p->display);
          EXPECT_EQ(d.command, "AC1");
          EXPECT_EQ(d.code, "AC1" + std::to_string(row) + "R");
          ASSERT_GE(d.fields.size(), 4u) << p->display;
          EXPECT_EQ(d.fields[0].value, std::to_string(row));
          EXPECT_EQ(d.fields[1].value, std::to_string(column));
          EXPECT_EQ(d.fields[2].value, shade_name);
          EXPECT_EQ(d.fields[3].name, *flash ? "flash" : "attribute");
          if (*flash) {
            EXPECT_EQ(d.fields[3].value, flash);
          }
        }
      }
    }
  }
}

TEST(DecodeRoundTrip, AndonCellsReadAsTheGridPickers) {
  struct Case {
    AndonCell cell;
    Fields fields;
  };
  const Case cases[] = {
      {{Shade::kDark, ""}, {{"shade", "dark"}, {"attribute", "OFF"}}},
      {{Shade::kRed, ""}, {{"shade", "red"}, {"attribute", "ON"}, {"primary", "R"}}},
      {{Shade::kRed, "YS"},
       {{"shade", "red"},
        {"flash", "YS"},
        {"attribute", "FS"},
        {"primary", "R"},
        {"secondary", "Y"}}},
      {{Shade::kGreen, "BF"},
       {{"shade", "green"},
        {"flash", "BF"},
        {"attribute", "FF"},
        {"primary", "G"},
        {"secondary", "B"}}},
      {{Shade::kDark, "RS"},
       {{"shade", "dark"}, {"flash", "RS"}, {"attribute", "FS"}, {"secondary", "R"}}},
  };
  for (const Case& c : cases) {
    const auto p = BuildAndonCell({"01", "02"}, 3, 12, c.cell);
    Fields expected = {{"row", "3"}, {"column", "12"}};
    expected.insert(expected.end(), c.fields.begin(), c.fields.end());
    ExpectFields(*p, "AC1", expected, p->display);
  }
}

TEST(DecodeRoundTrip, SubCellOverEveryPickerState) {
  const std::pair<AndonAttribute, const char*> attributes[] = {{AndonAttribute::kOff, "OFF"},
                                                               {AndonAttribute::kOn, "ON"},
                                                               {AndonAttribute::kFlashSlow, "FS"},
                                                               {AndonAttribute::kFlashFast, "FF"}};
  for (const auto& [attribute, name] : attributes) {
    for (char primary : {'B', 'R', 'Y', 'G'}) {
      for (char secondary : {'B', 'R', 'Y', 'G'}) {
        SubCellFields f{{"01", "02"}, "3", "12", "", "", "", attribute, primary, secondary};
        const auto p = BuildSubCell(f);
        ExpectFields(*p, "AC2",
                     {{"row", "3"},
                      {"column", "12"},
                      {"attribute", name},
                      {"primary", std::string(1, primary)},
                      {"secondary", std::string(1, secondary)}},
                     p->display);
      }
    }
  }
}

TEST(DecodeRoundTrip, SubCellPositionsAndCharacters) {
  struct Case {
    const char *row, *column, *sub_row, *sub_column, *characters;
    Fields fields;
  };
  const Fields colours = {{"attribute", "ON"}, {"primary", "R"}, {"secondary", "B"}};
  const Case cases[] = {
      {"3",
       "12",
       "1",
       "2",
       "",
       {{"row", "3"}, {"sub-row", "1"}, {"column", "12"}, {"sub-column", "2"}}},
      {"3", "12", "1", "", "", {{"row", "3"}, {"sub-row", "1"}, {"column", "12"}}},
      {"3", "12", "", "2", "", {{"row", "3"}, {"column", "12"}, {"sub-column", "2"}}},
      {"7", "40", "", "", "", {{"row", "7"}, {"column", "40"}}},
      {"R", "C", "", "", "", {{"row", "R"}, {"column", "C"}}},
      {"R",
       "C",
       ".",
       ".",
       "",
       {{"row", "R"}, {"sub-row", "."}, {"column", "C"}, {"sub-column", "."}}},
      // Characters replace the sub-cell position and the colours, even when both are filled.
      {"3", "12", "1", "2", "AB", {{"row", "3"}, {"column", "12"}, {"characters", "AB"}}},
      {"3", "12", "", "", "1234", {{"row", "3"}, {"column", "12"}, {"characters", "1234"}}},
      {"3", "12", "", "", "C[]", {{"row", "3"}, {"column", "12"}, {"characters", "C[]"}}},
      {"R", "C", "", "", "[", {{"row", "R"}, {"column", "C"}, {"characters", "["}}},
  };
  for (const Case& c : cases) {
    const auto p = BuildSubCell({{"01", "02"},
                                 c.row,
                                 c.column,
                                 c.sub_row,
                                 c.sub_column,
                                 c.characters,
                                 AndonAttribute::kOn,
                                 'R',
                                 'B'});
    Fields expected = c.fields;
    if (*c.characters) {
      expected.push_back(colours[0]);
    } else {
      expected.insert(expected.end(), colours.begin(), colours.end());
    }
    ExpectFields(*p, "AC2", expected, p->display);
  }
}

TEST(DecodeRoundTrip, MarqueeTextOverEveryOptionAndMessage) {
  const std::string messages[] = {"", "HELLO", std::string(100, 'M'), "caf\xE9",
                                  "a\x1b"
                                  "b"};
  const Address addresses[] = {{"", ""}, {"01", "05"}, {"ab", ""}};
  for (const Address& address : addresses) {
    for (const std::string& message : messages) {
      for (int options = 0; options < 8; ++options) {
        MarqueeFields f;
        f.address = address;
        f.message = message;
        f.clear_home = options & 1;
        f.carriage_return = options & 2;
        f.flash = options & 4;
        const Packet p = BuildMarquee(f);
        auto on = [](bool b) { return b ? "ON" : "OFF"; };
        ExpectFields(p, "MRQ",
                     {{"clear-home", on(f.clear_home)},
                      {"carriage-return", on(f.carriage_return)},
                      {"flash", on(f.flash)},
                      {"message", message}},
                     p.display);
        const DecodedPacket d = One(p, p.display);
        EXPECT_EQ(d.envelope, Envelope::kMarqueeText);
        EXPECT_EQ(d.code, "");
        EXPECT_EQ(d.address, address.group + address.unit);
      }
    }
  }
}

TEST(DecodeRoundTrip, MarqueeAutoCentreComesFirstAsItsOwnPacket) {
  for (const char* serial : {"00000", "12345", "99999"}) {
    for (const AutoCentre state : {AutoCentre::kOn, AutoCentre::kOff}) {
      MarqueeFields f;
      f.address = {"01", "05"};
      f.message = "HI";
      f.auto_centre = state;
      f.serial_field = serial;
      const auto items = Decode(BuildMarquee(f).Bytes());
      ASSERT_EQ(items.size(), 2u);
      const auto& smc = std::get<DecodedPacket>(items[0]);
      EXPECT_EQ(smc.command, "MRQ");
      EXPECT_EQ(smc.code, "SMC");
      EXPECT_EQ(smc.serial, serial);
      EXPECT_EQ(smc.envelope, Envelope::kSerialNumber);
      EXPECT_EQ(smc.fields, (Fields{{"auto-centre", state == AutoCentre::kOn ? "ON" : "OFF"}}));
      EXPECT_EQ(std::get<DecodedPacket>(items[1]).fields.back(), (DecodedField{"message", "HI"}));
    }
  }
}

}  // namespace
}  // namespace tvx::protocol
