#include "console/command_runner.h"

#include <gtest/gtest.h>

#include <sstream>

#include "andon/layout.h"
#include "tests/support/harness.h"

// One command without the window must send what the console sends for the same fields, with
// the same packet box and status line, on either link.
namespace tvx::testing {
namespace {

using console::CommandOutcome;
using console::CommandRequest;
using protocol::Link;

struct SameAsConsole {
  CommandRequest request;
  std::string script;  // what an operator does in the window for the same command
};

std::string Bytes(const CommandOutcome& o) {
  std::string bytes;
  for (const auto& p : o.pieces) bytes += p.bytes;
  return bytes;
}

void ExpectSameAsConsole(const SameAsConsole& c) {
  Harness h;
  h.Advance(100);
  if (c.request.link == Link::Tcp) h.socket.state = window::kSckConnected;
  h.Run(c.script + "click SendButton\nwait 15700\n");
  const std::string console_bytes =
      c.request.link == Link::Tcp ? h.socket.Bytes() : h.serial.Bytes();

  const CommandOutcome o = console::RunCommand(c.request);
  const bool sent = !console_bytes.empty() || h.w.flags.AndonFlag;
  EXPECT_EQ(o.kind, sent ? CommandOutcome::kSent : CommandOutcome::kRefused) << c.script;
  EXPECT_EQ(Shown(Bytes(o)), Shown(console_bytes)) << c.script;
  EXPECT_EQ(o.message, h.w.StatusText->Text()) << c.script;
  if (sent) {
    EXPECT_EQ(o.packet_text, h.w.PacketText->Text()) << c.script;
  }
}

TEST(SendCommand, SendsWhatTheConsoleSendsForTheSameFields) {
  const std::vector<SameAsConsole> cases = {
      {{"NUM", {{"group", "1"}, {"unit", "2"}, {"number", "1234"}}},
       "click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n"},
      {{"num",
        {{"number", "-12"},
         {"row", "1"},
         {"column", "3"},
         {"attribute", "fs"},
         {"group", "07"},
         {"unit", "3"}}},
       "click NumButton\ntype NUMText -12\ntype NumRowText 1\ntype NumColText 3\nclick NUMAttFS\n"
       "type GroupText 07\ntype UnitText 3\n"},
      {{"NUM", {{"group", "1"}, {"unit", "2"}, {"number", "12a"}}},
       "click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 12a\n"},
      {{"NUM", {{"group", "-1"}, {"unit", "2"}, {"number", "5"}}},
       "click NumButton\ntype GroupText -1\ntype UnitText 2\ntype NUMText 5\n"},
      {{"NUM", {{"number", "5"}}}, "click NumButton\ntype NUMText 5\n"},
      {{"SL1", {{"row", "3"}, {"attribute", "OFF"}, {"unit", "02"}}, Link::Serial},
       "click SL1Button\ntype NumRowText 3\nclick NUMAttOFF\ntype UnitText 02\n"},
      {{"SL1", {{"row", "3"}, {"group", "01"}, {"unit", "02"}}, Link::Tcp},
       "click SL1Button\ntype NumRowText 3\ntype GroupText 01\ntype UnitText 02\n"},
      {{"TU1", {{"group", "1"}, {"unit", "2"}, {"tune", "5"}, {"seconds", "10"}}},
       "click TuneButton\ntype GroupText 1\ntype UnitText 2\ntype TUNText 5\ntype SecondsText "
       "10\n"},
      {{"TU2", {{"group", "1"}, {"unit", "2"}, {"tune", "256"}}},
       "click Tunebutton2\ntype GroupText 1\ntype UnitText 2\ntype TUNText 256\n"},
      {{"MRQ",
        {{"group", "01"},
         {"unit", "05"},
         {"message", "HELLO"},
         {"flash", "ON"},
         {"carriage-return", "ON"},
         {"auto-centre", "OFF"},
         {"serial", "987"}}},
       "click MrqButton\ntype GroupText 01\ntype UnitText 05\ntype MRQText HELLO\nclick "
       "MRQFlashON\n"
       "click MRQCRON\nclick MRQAutoCenterOFF\ntype SernoText 987\n"},
      {{"MRQ", {{"auto-centre", "ON"}}}, "click MrqButton\nclick MRQAutoCenterON\n"},
      {{"SDM", {{"template", "007"}}}, "click SDMButton\ntype NUMText 007\n"},
      {{"Misc", {{"packet", "<02>0105<1B>NUM12N<04>"}}},
       "click MiscButton\ntype PacketText <02>0105<1B>NUM12N<04>\n"},
      {{"Misc", {}}, "click MiscButton\n"},
      {{"Test", {{"group", "00"}, {"unit", "00"}}}, "click TestButton\nclick GlobalButton\n"},
      {{"Clear", {{"group", "3"}, {"unit", "12"}}},
       "click ClearButton\ntype GroupText 3\ntype UnitText 12\n"},
      {{"Diag", {{"group", "3"}, {"unit", "12"}}},
       "click DiagButton\ntype GroupText 3\ntype UnitText 12\n"},
      {{"Boot", {}}, "click BootButton\n"},
      {{"SVN", {}}, "click SVNButton\n"},
      {{"SS#", {{"serial", "42"}}}, "click ModSNButton\ntype SernoText 42\n"},
      {{"SS#", {{"serial", "abc"}}}, "click ModSNButton\ntype SernoText abc\n"},
      {{"SGU", {{"serial", "12345"}, {"ds1-group", "1"}, {"ds1-unit", "2"}, {"ds15-unit", "9"}}},
       "click SGUButton\ntype SernoText 12345\ntype txtSGUGroup(0) 1\ntype txtSGUUnit(0) 2\n"
       "type txtSGUUnit(14) 9\n"},
      {{"SGU", {{"serial", "1"}, {"ds3-unit", "-1"}}},
       "click SGUButton\ntype SernoText 1\ntype txtSGUUnit(2) -1\n"},
      {{"SBT", {{"serial", "1"}, {"board-type", "007"}}},
       "click SBTButton\ntype SernoText 1\ntype SBTText 007\n"},
      {{"SBS", {{"serial", "1"}, {"sub-board-type", "AB-12"}}, Link::Serial},
       "click SBSButton\ntype SernoText 1\ntype SBSText AB-12\n"},
      {{"SBS", {{"serial", "1"}, {"sub-board-type", "AB-12"}}, Link::Tcp},
       "click SBSButton\ntype SernoText 1\ntype SBSText AB-12\n"},
      {{"SLI", {{"intensity", "07"}}, Link::Serial},
       "key GroupText K 4\nclick SLIButton\ntype SLIText 07\n"},
      {{"SLI", {{"intensity", "07"}}, Link::Tcp},
       "key GroupText K 4\nclick SLIButton\ntype SLIText 07\n"},
      {{"SFD", {{"serial", "5"}}, Link::Tcp},
       "key GroupText K 4\nclick SFDButton\ntype SernoText 5\n"},
      {{"SFD", {{"serial", "5"}, {"fader-level", "50"}}},
       "key GroupText K 4\nclick SFDButton\ntype SernoText 5\ntype SFDText 50\n"},
      {{"SAC", {{"serial", "5"}, {"columns", "12"}}},
       "click SACButton\ntype SernoText 5\ntype NUMText 12\n"},
      {{"SMB", {{"regular", "07"}, {"lamp-test", "3"}}},
       "key GroupText K 4\nclick SMBButton\ntype SMBText1 07\ntype SMBText2 3\n"},
      {{"SOR", {{"serial", "42"}, {"series", "614"}}},
       "click SORButton\ntype SernoText 42\nclick optSOR(1)\n"},
      {{"SMD", {{"serial", "42"}, {"detect", "1"}}},
       "click SMDButton\ntype SernoText 42\nclick optSMD(1)\n"},
      {{"VL1",
        {{"group", "1"}, {"unit", "2"}, {"serial", "7"}, {"volume", "10"}, {"channel", "3"}}},
       "click VolumeButton\ntype GroupText 1\ntype UnitText 2\ntype SernoText 7\ntype VolumeText "
       "10\n"
       "type ChannelText 3\n"},
      {{"VL1", {{"group", "1"}, {"unit", "2"}}, Link::Tcp},
       "click VolumeButton\ntype GroupText 1\ntype UnitText 2\n"},
      {{"AC2",
        {{"group", "1"},
         {"unit", "2"},
         {"row", "3"},
         {"column", "12"},
         {"sub-row", "1"},
         {"attribute", "OFF"},
         {"primary", "G"},
         {"secondary", "Y"}}},
       "click AndonButton2\ntype GroupText 1\ntype UnitText 2\ntype NumRowText 3\ntype NumColText "
       "12\n"
       "type AC2SubRowText 1\nclick ORM610AttOFF\nclick ORM610PriG\nclick ORM610SecY\n"},
      {{"AC2",
        {{"group", "1"}, {"unit", "2"}, {"row", "3"}, {"column", "12"}, {"characters", "AB"}}},
       "click AndonButton2\ntype GroupText 1\ntype UnitText 2\ntype NumRowText 3\ntype NumColText "
       "12\n"
       "type NUMText AB\n"},
  };
  for (const auto& c : cases) ExpectSameAsConsole(c);
}

TEST(SendCommand, AndonGridIsPacedOnePositionPerTick) {
  andon::GridLayout layout;
  layout.cells[0][0] = {protocol::Shade::kRed, ""};
  layout.cells[2][11] = {protocol::Shade::kRed, "YS"};
  layout.cells[5][24] = {protocol::Shade::kDark, "RS"};
  CommandRequest request{"AC1", {{"group", "1"}, {"unit", "2"}}, Link::Tcp, layout};
  SameAsConsole same{request,
                     "click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick ORM610PriR\n"
                     "click ORM610R1(1)\nclick ORM610AttFS\nclick ORM610SecY\nclick ORM610R3(12)\n"
                     "click ORM610PriB\nclick ORM610SecR\nclick ORM610R6(25)\n"};
  ExpectSameAsConsole(same);

  const CommandOutcome o = console::RunCommand(request);
  // Row 1 starts at column 1; rows 2 to 6 also visit their header, column 0.
  std::vector<std::pair<std::int64_t, std::string>> starts;
  for (const auto& p : o.pieces) {
    if (p.bytes == "\x02") starts.emplace_back(p.at_ms, "");
  }
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[0].first, 0);
  EXPECT_EQ(starts[1].first, (25 + 26 + 12) * 100);
  EXPECT_EQ(starts[2].first, 154 * 100);
  EXPECT_EQ(o.done_ms, 155 * 100);
  EXPECT_EQ(o.message, "The 'Andon Cell' command has been sent to Group = 01, Unit = 02");
}

TEST(SendCommand, BadRequestsNameWhatIsWrong) {
  const std::vector<std::pair<CommandRequest, std::string>> cases = {
      {{"XYZ", {}}, "unknown command 'XYZ'; commands: AC1, AC2, MRQ,"},
      {{"TIM", {}}, "unknown command 'TIM'"},
      {{"NUM", {{"colour", "1"}}},
       "NUM has no field 'colour'; its fields: group, unit, number, row,"},
      {{"NUM", {{"serial", "1"}}}, "NUM has no field 'serial'"},  // the section hides it
      {{"SDM", {{"group", "1"}}}, "SDM has no field 'group'"},
      {{"NUM", {{"number", "1"}, {"number", "2"}}}, "field 'number' is given twice"},
      {{"NUM", {{"number", "12345"}}}, "field 'number' takes at most 4 characters, not 5"},
      {{"SDM", {{"template", "1234"}}}, "field 'template' takes at most 3 characters, not 4"},
      {{"NUM", {{"attribute", "BLINK"}}}, "field 'attribute' takes ON, OFF, FS, FF, not 'BLINK'"},
      {{"MRQ", {{"auto-centre", "maybe"}}}, "field 'auto-centre' takes ON, OFF, none, not 'maybe'"},
      {{"MRQ", {{"clear-home", "ON"}, {"carriage-return", "ON"}}},
       "field 'clear-home' cannot be ON together with the other fields given"},
  };
  for (const auto& [request, message] : cases) {
    const CommandOutcome o = console::RunCommand(request);
    EXPECT_EQ(o.kind, CommandOutcome::kBadUsage) << message;
    EXPECT_EQ(o.message.substr(0, message.size()), message);
    EXPECT_TRUE(o.pieces.empty());
  }
}

TEST(SendCommand, AndonSubCellWithoutRowOrColumnIsRefused) {
  const CommandOutcome o =
      console::RunCommand({"AC2", {{"group", "1"}, {"unit", "2"}, {"row", "3"}}});
  EXPECT_EQ(o.kind, CommandOutcome::kRefused);
  EXPECT_EQ(o.message, "AC2 needs both row and column; nothing was sent");
}

TEST(SendCommand, DefaultsAreWhatTheSectionSets) {
  auto value = [](const std::string& command, const std::string& field) {
    const auto defaults = console::CommandDefaults(command);
    for (const auto& f : *defaults) {
      if (f.name == field) return f.value + "/" + std::to_string(f.limit);
    }
    return std::string("missing");
  };
  EXPECT_EQ(value("NUM", "attribute"), "ON/0");
  EXPECT_EQ(value("NUM", "number"), "/4");
  EXPECT_EQ(value("SAC", "columns"), "/2");
  EXPECT_EQ(value("SDM", "template"), "/3");
  EXPECT_EQ(value("MRQ", "clear-home"), "ON/0");
  EXPECT_EQ(value("MRQ", "auto-centre"), "none/0");
  EXPECT_EQ(value("AC2", "secondary"), "B/0");
  EXPECT_EQ(value("SOR", "series"), "none/0");  // nothing chosen sends 614
  EXPECT_EQ(value("SBS", "sub-board-type"), "/0");
  EXPECT_EQ(value("Misc", "packet"), "/256");
  EXPECT_EQ(value("SDM", "group"), "missing");
  EXPECT_FALSE(console::CommandDefaults("nope"));
}

// Layout files: what is written reads back; what the window holds after loading is the file.
TEST(GridLayout, EveryCellStateRoundTripsThroughFileAndWindow) {
  andon::GridLayout layout;
  const std::vector<protocol::AndonCell> states = {{},
                                                   {protocol::Shade::kDark, ""},
                                                   {protocol::Shade::kRed, ""},
                                                   {protocol::Shade::kYellow, ""},
                                                   {protocol::Shade::kGreen, ""}};
  int k = 0;
  for (auto& row : layout.cells) {
    for (auto& cell : row) {
      const int i = k++;
      if (i < 5) {
        cell = states[i];
      } else {
        const char shades[] = {'B', 'R', 'Y', 'G'};
        const char seconds[] = {'B', 'R', 'Y', 'G'};
        cell = {protocol::ShadeOf(shades[i % 4]),
                std::string{seconds[(i / 4) % 4], i % 2 ? 'S' : 'F'}};
      }
    }
  }
  std::stringstream file;
  andon::WriteLayout(layout, file);
  const auto parsed = andon::ParseLayout(file);
  ASSERT_TRUE(std::holds_alternative<andon::GridLayout>(parsed));
  EXPECT_EQ(std::get<andon::GridLayout>(parsed), layout);

  Harness h;
  h.Run("click AndonButton\n");
  andon::ApplyLayout(h.w, layout);
  EXPECT_EQ(andon::ReadLayout(h.w), layout);
}

TEST(GridLayout, BadFilesAreRefusedWithTheLine) {
  const std::string row = "R . . . . . . . . . . . . . . . . . . . . . . . .\n";
  std::string six;
  for (int i = 0; i < 6; ++i) six += row;
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"", 0, "empty"},
      {"hello\n", 1, "not an andon grid file"},
      {"tvxorm-andon-grid 2\n" + six, 1, "not an andon grid file"},
      {"tvxorm-andon-grid 1\n" + row, 0, "only 1 rows of 6"},
      {"tvxorm-andon-grid 1\n" + six + row, 8, "more than 6 rows"},
      {"tvxorm-andon-grid 1\nR R\n", 2, "row 1 has 2 cells, not 25"},
      {"tvxorm-andon-grid 1\n" + row.substr(0, row.size() - 1) + " R\n", 2, "more than 25 cells"},
      {"tvxorm-andon-grid 1\nX" + row.substr(1), 2, "'X' is not a cell"},
      {"tvxorm-andon-grid 1\nRY" + row.substr(1), 2, "'RY' is not a cell"},
      {"tvxorm-andon-grid 1\nRYQ" + row.substr(1), 2, "'RYQ' is not a cell"},
  };
  for (const auto& [text, line, message] : cases) {
    std::istringstream in(text);
    const auto parsed = andon::ParseLayout(in);
    ASSERT_TRUE(std::holds_alternative<andon::LayoutError>(parsed)) << text;
    const auto& e = std::get<andon::LayoutError>(parsed);
    EXPECT_EQ(e.line, line) << text;
    EXPECT_NE(e.message.find(message), std::string::npos) << e.message;
  }
  std::istringstream ok("# comment\n\n  tvxorm-andon-grid 1  \n" + six);
  EXPECT_TRUE(std::holds_alternative<andon::GridLayout>(andon::ParseLayout(ok)));
}

}  // namespace
}  // namespace tvx::testing
