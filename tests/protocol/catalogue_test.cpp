#include "protocol/catalogue.h"

#include <gtest/gtest.h>

#include "console/command_runner.h"
#include "console/offscreen_console.h"
#include "protocol/andon_commands.h"
#include "protocol/display.h"
#include "protocol/reach.h"
#include "protocol/token_conversion.h"

// The catalogue against the console it describes, the cell grammar's round trips, and who a
// packet reaches as read from its bytes.
namespace tvx::protocol {
namespace {

bool IsAddressField(const std::string& name) {
  return name == fields::kGroup || name == fields::kUnit || name == fields::kSerial;
}

// The catalogue's names, limits, choices and defaults are the sections' own: what an operator
// sees after pressing the button.
TEST(Catalogue, EveryCommandIsItsSectionAsEntered) {
  console::OffscreenConsole c(Link::Serial);
  std::vector<std::string> buttons;
  for (window::Button* b : c.w.SectionButtons()) {
    if (b->on_click) buttons.push_back(b->Caption());
  }
  std::vector<std::string> names;
  for (const CommandListing& listing : Catalogue()) names.push_back(listing.name);
  EXPECT_EQ(names, buttons);

  for (const CommandListing& listing : Catalogue()) {
    const auto section = console::CommandDefaults(listing.name);
    ASSERT_TRUE(section) << listing.name;
    for (const FieldListing& f : listing.fields) {
      if (f.kind == FieldKind::kFile) continue;  // AC1's grid is no box
      const auto it = std::find_if(section->begin(), section->end(),
                                   [&f](const auto& d) { return d.name == f.name; });
      ASSERT_NE(it, section->end()) << listing.name << " " << f.name;
      EXPECT_EQ(it->limit, f.limit) << listing.name << " " << f.name;
      EXPECT_EQ(it->value, f.initial) << listing.name << " " << f.name;
      std::vector<std::string> choices = f.choices;
      if (f.may_choose_none) choices.push_back(kNoChoice);
      EXPECT_EQ(it->values, choices) << listing.name << " " << f.name;
    }
    // What the section shows beyond the catalogue is an address its packets do not carry.
    for (const auto& d : *section) {
      if (!listing.Field(d.name)) {
        EXPECT_TRUE(IsAddressField(d.name)) << listing.name << " " << d.name;
      }
    }
  }
}

TEST(Catalogue, SaysWhoEachKindOfCommandReaches) {
  const std::pair<Command, const char*> cases[] = {
      {Command::kNUM, "group GROUP unit UNIT (group 00 unit 00: every device)"},
      {Command::kSL1, "group GROUP unit UNIT as typed (group 00 unit 00: every device)"},
      {Command::kBoot, "every device on the bus (0000)"},
      {Command::kSDM, "every device on the bus (0000)"},
      {Command::kSGU, "serial SERIAL"},
      {Command::kModifySerial, "every device listening (ZYXWV)"},
      {Command::kSMB, "every device listening (ZYXWV)"},
      {Command::kVL1, "group GROUP unit UNIT serial SERIAL"},
      {Command::kAC1, "group GROUP unit UNIT (group 00 unit 00: every device)"},
      {Command::kMRQ,
       "serial SERIAL with auto-centre ON or OFF, then group GROUP unit UNIT as typed (group 00 "
       "unit 00: every device)"},
  };
  for (const auto& [command, reach] : cases) EXPECT_EQ(ReachSummary(command), reach);
  EXPECT_EQ(FindCommand("ss#"), &ListingOf(Command::kModifySerial));
  EXPECT_EQ(FindCommand("misc"), &ListingOf(Command::kMisc));
  EXPECT_EQ(FindCommand("TIM"), nullptr);
}

TEST(Reach, ReadFromTheBytesOfEveryAddressingForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"<02>0102<1B>NUM12N1A<04>", "group 01 unit 02"},
      {"<02>0000<1B>1<04>", "every device (group 00 unit 00)"},
      {"<02>0000<1B>SVN<04>", "every device on the bus (0000)"},
      {"<02>0000<1B>SDM7M<04>", "every device on the bus (0000)"},
      {"<02>0000<1B>SSN12345<1B>SBT3<04>", "serial 12345"},
      {"<02>0000<1B>SSNZYXWV<1B>SS#00042<04>", "every device listening (ZYXWV)"},
      {"<02>0102<1B>SSN7<1B>VL110V3C<04>", "group 01 unit 02 serial 7"},
      {"<02>0000<1B>SSN<1B>VL110V3C<04>", "group 00 unit 00 serial \"\""},
      {"<02>02<1B>SL13R1A<04>", "address \"02\" (too short for a group and unit)"},
      {"<02>0000<1B>SSN00012<1B>SMC1C<04><02>0105<0C><12>HI<04>",
       "serial 00012, then group 01 unit 05"},
      {"<02>0102<1B>AC11R1C1A1P<04><02>0102<1B>AC16R25C0A<04>", "group 01 unit 02"},
      {"hello", "unknown (not a packet: bytes outside a packet)"},
      {"", ""},
  };
  for (const auto& [tokens, reach] : cases) {
    EXPECT_EQ(ReachesText(ConvertTokens(tokens)), reach) << tokens;
  }
}

// Every grid cell state: its codes read back as what was sent, and the decoder, the row
// sender and the grammar agree on them.
TEST(CellGrammar, EveryGridCellsCodesReadBack) {
  const std::vector<AndonCell> cells = EverySetCell();
  EXPECT_EQ(cells.size(), 4u * 9u);
  for (const AndonCell& cell : cells) {
    const CellCodes codes = CodesOf(cell);
    EXPECT_EQ(CellCodes::Parse(codes.Text()), codes) << codes.Text();
    const std::string bytes = BuildAndonCell({"01", "02"}, 2, 7, cell)->Bytes();
    EXPECT_TRUE(bytes.ends_with("7C" + codes.Text() + "\x04")) << DisplayForm(bytes);
    EXPECT_EQ(FlashOfCode(cell.flash).has_value(), !cell.flash.empty());
  }
}

TEST(CellGrammar, OnlyTheBuildersOrderParses) {
  const std::pair<const char*, bool> cases[] = {
      {"2A1P2S", true}, {"0A2A1S", true}, {"[AB]2A", true}, {"[C[]]3A", true},
      {"", true},       {"1A1P0S", true}, {"2A0A", false},  {"1A1A", false},
      {"1P1A", false},  {"1S1P", false},  {"4A", false},    {"1X", false},
      {"1A1", false},   {"[AB", false},   {"[]1A", false},  {"1A[AB]", false},
  };
  for (const auto& [text, valid] : cases) {
    const auto codes = CellCodes::Parse(text);
    EXPECT_EQ(codes.has_value(), valid) << text;
    if (codes) {
      EXPECT_EQ(codes->Text(), text);
    }
  }
  for (const char* bad : {"XS", "RX", "R", "RSS", "rs"}) EXPECT_FALSE(FlashOfCode(bad)) << bad;
  for (const AndonAttribute a : kAndonAttributes) {
    EXPECT_EQ(AttributeNamed(AttributeName(a)), a);
    EXPECT_EQ(AttributeOfCode(AttributeCode(a)), a);
  }
}

}  // namespace
}  // namespace tvx::protocol
