#include <gtest/gtest.h>

#include "tests/support/command_case.h"

namespace tvx::testing {
namespace {

// Enters AC1 addressed to group 01, unit 02 and paints with the given picker clicks.
std::string Paint(const std::string& clicks) {
  return "click AndonButton\ntype GroupText 1\ntype UnitText 2\n" + clicks;
}

struct CellCase {
  const char* pickers;  // picker clicks before the cell click
  const char* colour;   // the cell's back colour afterwards
  const char* caption;
  const char* codes;  // what the cell sends between its command text and EOT
};

TEST(AndonGrid, EveryPickerSettingGivesItsCellStateAndCodes) {
  const CellCase cases[] = {
      {"click ORM610AttOFF\nclick ORM610PriG\n", "128,128,128", "", "0A"},
      {"click ORM610PriB\n", "128,128,128", "", "0A"},
      {"", "255,0,0", "", "1A1P"},
      {"click ORM610PriY\n", "255,255,0", "", "1A2P"},
      {"click ORM610PriG\nclick ORM610SecY\n", "0,255,0", "", "1A3P"},
      {"click ORM610AttFS\nclick ORM610SecY\n", "255,0,0", "YS", "2A1P2S"},
      {"click ORM610AttFF\nclick ORM610PriG\nclick ORM610SecR\n", "0,255,0", "RF", "3A3P1S"},
      {"click ORM610AttFS\nclick ORM610PriB\nclick ORM610SecR\n", "128,128,128", "RS", "0A2A1S"},
      {"click ORM610AttFF\nclick ORM610PriB\nclick ORM610SecG\n", "128,128,128", "GF", "0A3A3S"},
      {"click ORM610AttFS\nclick ORM610SecB\n", "255,0,0", "BS", "2A1P0S"},
  };
  for (const auto& c : cases) {
    Harness h;
    const std::string out =
        h.Run(Paint(c.pickers) +
              "click ORM610R3(12)\nprint ORM610R3(12) BackColor\nprint ORM610R3(12)\n"
              "print Row\nprint Col\nclick SendButton\nwait 15600\n");
    EXPECT_EQ(out, std::string("ORM610R3(12).BackColor=") + c.colour +
                       "\nORM610R3(12).Caption=" + c.caption + "\nRow=3\nCol=12\n")
        << c.pickers;
    EXPECT_EQ(Shown(h.serial.Bytes()), std::string("<02>0102<1B>AC13R12C") + c.codes + "<04>")
        << c.pickers;
  }
}

TEST(AndonGrid, PickersAreExclusiveAndOnlyAClickWritesACell) {
  Harness h;
  const std::string out = h.Run(
      Paint("click ORM610R1(1)\nclick ORM610AttFF\nclick ORM610PriY\n"
            "print ORM610AttON BackColor\nprint ORM610AttFF BackColor\nprint ORM610PriR BackColor\n"
            "print ORM610PriY BackColor\nprint ORM610R1(1) BackColor\n"
            "click ORM610AttOFF\nprint ORM610AttOFF BackColor\nprint ORM610AttFF BackColor\n"));
  EXPECT_EQ(out,
            "ORM610AttON.BackColor=192,192,192\nORM610AttFF.BackColor=0,255,0\n"
            "ORM610PriR.BackColor=192,192,192\nORM610PriY.BackColor=255,255,0\n"
            "ORM610R1(1).BackColor=255,0,0\n"
            "ORM610AttOFF.BackColor=255,0,0\nORM610AttFF.BackColor=192,192,192\n");
}

TEST(AndonGrid, HeadersAndCornerPaintWholeRowsColumnsAndTheGrid) {
  Harness h;
  h.Run(Paint("click ORM610R4(0)\n"));
  EXPECT_EQ(h.w.Row, 4);
  EXPECT_EQ(h.w.Col, 25);
  EXPECT_EQ(h.w.ORM610R4(0)->BackColor(), window::kLightGrey) << "the header itself never changes";
  EXPECT_EQ(h.w.ORM610R4(0)->Caption(), "4");
  for (int i = 1; i <= 25; ++i) EXPECT_EQ(h.w.ORM610R4(i)->BackColor(), window::kRed);
  EXPECT_EQ(h.w.ORM610R3(1)->BackColor(), window::kLightGrey);

  h.Run("click ORM610PriG\nclick ORM610C1(7)\n");
  EXPECT_EQ(h.w.Row, 6);
  EXPECT_EQ(h.w.Col, 7);
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(h.w.AndonRow(n)(7)->BackColor(), window::kGreen);
  EXPECT_EQ(h.w.ORM610C1(7)->Caption(), "7");

  h.Run("click ORM610PriY\nclick ORM610R0C0(0)\n");
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) EXPECT_EQ(h.w.AndonRow(n)(i)->BackColor(), window::kYellow);
  }
  // Entering the section again clears the grid and resets the pickers.
  h.Run("click CancelButton\nclick AndonButton\n");
  EXPECT_EQ(h.w.ORM610R2(2)->BackColor(), window::kLightGrey);
  EXPECT_EQ(h.w.ORM610PriR->BackColor(), window::kRed);
  EXPECT_EQ(h.w.ORM610PriY->BackColor(), window::kLightGrey);
}

// The tick on which each packet reached the link, as "tick:packet".
std::vector<std::string> Transmit(Harness& h, int ticks = 157) {
  std::vector<std::string> log;
  std::size_t seen = 0;
  for (int tick = 1; tick <= ticks; ++tick) {
    h.Advance(100);
    std::string bytes;
    for (; seen < h.serial.pieces.size(); ++seen) bytes += h.serial.pieces[seen].bytes;
    if (!bytes.empty()) log.push_back(std::to_string(tick) + ":" + Shown(bytes));
  }
  return log;
}

TEST(AndonTransmission, OneGridPositionPerTickOver156Ticks) {
  Harness h;
  h.Run(
      Paint("click ORM610R1(1)\nclick ORM610R2(5)\nclick ORM610R2(25)\nclick ORM610R6(25)\n"
            "click SendButton\n"));
  std::vector<std::string> statuses;
  std::vector<std::string> log;
  std::size_t seen = 0;
  for (int tick = 1; tick <= 157; ++tick) {
    h.Advance(100);
    statuses.push_back(h.w.StatusText->Text());
    std::string bytes;
    for (; seen < h.serial.pieces.size(); ++seen) bytes += h.serial.pieces[seen].bytes;
    if (!bytes.empty()) log.push_back(std::to_string(tick) + ":" + Shown(bytes));
    if (tick < 156) {
      EXPECT_FALSE(h.w.SendButton->Enabled()) << "serial half: locked until done";
    }
  }
  EXPECT_EQ(log, (std::vector<std::string>{
                     "1:<02>0102<1B>AC11R1C1A1P<04>",
                     "31:<02>0102<1B>AC12R5C1A1P<04>",  // row 2 starts at column 0 on tick 26
                     "51:<02>0102<1B>AC12R25C1A1P<04>", "155:<02>0102<1B>AC16R25C1A1P<04>"}));
  EXPECT_EQ(statuses[0], "Transmitting Row 1 settings.");
  EXPECT_EQ(statuses[24], "Transmitting Row 1 settings.");
  EXPECT_EQ(statuses[25], "Transmitting Row 2 settings.");
  EXPECT_EQ(statuses[154], "Transmitting Row 6 settings.");
  EXPECT_EQ(statuses[155], "The 'Andon Cell' command has been sent to Group = 01, Unit = 02");
  EXPECT_EQ(statuses[156], statuses[155]) << "the timer stopped";
  EXPECT_FALSE(h.w.Timer1->Enabled());
  EXPECT_TRUE(h.w.SendButton->Enabled());
  EXPECT_TRUE(h.w.CancelButton->Enabled());
  EXPECT_EQ(h.w.PacketText->Text(),
            "<02>0102<1B>AC11R1C1A1P<04><02>0102<1B>AC12R5C1A1P<04><02>0102<1B>AC12R25C1A1P<04>"
            "<02>0102<1B>AC16R25C1A1P<04>");
  EXPECT_TRUE(h.w.flags.AndonFlag) << "the section stays active";
}

TEST(AndonTransmission, EmptyGridStillRunsToCompletion) {
  Harness h;
  h.Run(Paint("click SendButton\nwait 15500\n"));
  EXPECT_EQ(h.w.StatusText->Text(), "Transmitting Row 6 settings.");
  h.Advance(100);
  EXPECT_EQ(h.w.StatusText->Text(),
            "The 'Andon Cell' command has been sent to Group = 01, Unit = 02");
  EXPECT_TRUE(h.serial.pieces.empty());
}

TEST(AndonTransmission, GridClickDuringTransmissionDoesNotMoveIt) {
  Harness h;
  h.Run(Paint(
      "click ORM610R1(3)\nclick SendButton\nwait 200\nclick ORM610R1(2)\nclick ORM610R1(20)\n"));
  EXPECT_EQ(h.w.Col, 20);
  const auto log = Transmit(h);
  // Column 2 was already passed; column 3 and 20 go out on their own ticks.
  EXPECT_EQ(log, (std::vector<std::string>{"1:<02>0102<1B>AC11R3C1A1P<04>",
                                           "18:<02>0102<1B>AC11R20C1A1P<04>"}));
}

TEST(AndonTransmission, EachCellFollowsTheLinkAndTheTcpHalfUnlocksTheButtons) {
  Harness h;
  h.Run(Paint(
      "click ORM610R1(1)\nclick ORM610R1(2)\nclick ORM610R1(3)\nclick SendButton\nwait 100\n"));
  EXPECT_FALSE(h.w.SendButton->Enabled());
  h.socket.state = window::kSckConnected;
  h.Advance(100);
  EXPECT_TRUE(h.w.SendButton->Enabled()) << "TCP half: free between ticks";
  EXPECT_TRUE(h.w.CancelButton->Enabled());
  h.socket.state = window::kSckClosed;
  h.Advance(100);
  ASSERT_EQ(h.socket.pieces.size(), 8u);
  EXPECT_EQ(Shown(h.socket.Bytes()), "<02>0102<1B>AC11R2C1A1P<04>");
  EXPECT_EQ(Shown(h.serial.Bytes()), "<02>0102<1B>AC11R1C1A1P<04><02>0102<1B>AC11R3C1A1P<04>");
}

TEST(AndonTransmission, SendAgainOnTheTcpHalfRestartsFromRowOne) {
  Harness h;
  h.socket.state = window::kSckConnected;
  h.Run(Paint("click ORM610R1(1)\nclick ORM610R1(5)\nclick SendButton\nwait 600\n"));
  EXPECT_EQ(Shown(h.socket.Bytes()), "<02>0102<1B>AC11R1C1A1P<04><02>0102<1B>AC11R5C1A1P<04>");
  h.Run("click SendButton\n");
  EXPECT_EQ(h.w.PacketText->Text(), "");
  EXPECT_EQ(h.w.Row, 1);
  EXPECT_EQ(h.w.Col, 0);
  h.Advance(100);
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0102<1B>AC11R1C1A1P<04>");
  // Cancel between ticks: the rest of the grid is not sent.
  h.Run("click CancelButton\nwait 1000\n");
  EXPECT_EQ(h.socket.pieces.size(), 3u * 8u);
}

TEST(AndonTransmission, FailedWritesAreReportedAtCompletion) {
  Harness h;
  h.serial.Unplug();
  h.Run(Paint("click ORM610R2(2)\nclick SendButton\nwait 15600\n"));
  EXPECT_EQ(
      h.w.StatusText->Text(),
      "ERROR: The 'Andon Cell' command could not be written completely to Group = 01, Unit = 02");
  h.serial.SetPortOpen(true);
  h.Run("click SendButton\nwait 15600\n");
  EXPECT_EQ(h.w.StatusText->Text(),
            "The 'Andon Cell' command has been sent to Group = 01, Unit = 02");
}

const std::string kAC2 = "click AndonButton2\ntype GroupText 1\ntype UnitText 2\n";

TEST(AndonSubCell, PiecesFollowTheFieldsAndPickers) {
  const std::string entry =
      "You have entered the 'Andon Cell Commands 2' section. Please make your selections and click "
      "'Send' to execute them.";
  CheckCommands({
      {kAC2 + "type NumRowText 3\ntype NumColText 12\n" + kSend,
       {"<02>", "01", "02", "<1B>", "AC2", "3", "R", "12", "C", "1A", "1P", "0S", "<04>"},
       "<02>0102<1B>AC23R12C1A1P0S<04>",
       entry},
      {kAC2 +
           "type NumRowText 3\ntype NumColText 12\ntype AC2SubRowText 1\ntype AC2SubColText 2\n" +
           kSend,
       {"<02>", "01", "02", "<1B>", "AC2", "3", ".1", "R", "12", ".2", "C", "1A", "1P", "0S",
        "<04>"},
       "<02>0102<1B>AC23.1R12.2C1A1P0S<04>",
       entry},
      {kAC2 +
           "type NumRowText 3\ntype NumColText 12\ntype AC2SubRowText 1\ntype AC2SubColText 2\n"
           "type NUMText AB\nclick ORM610AttFS\n" +
           kSend,
       {"<02>", "01", "02", "<1B>", "AC2", "3", "R", "12", "C", "[AB]", "2A", "<04>"},
       "<02>0102<1B>AC23R12C[AB]2A<04>",
       entry},
      {kAC2 +
           "type NumRowText 7\ntype NumColText 40\ntype AC2SubRowText 4\nclick ORM610AttOFF\n"
           "click ORM610PriG\nclick ORM610SecY\n" +
           kSend,
       {"<02>", "01", "02", "<1B>", "AC2", "7", ".4", "R", "40", "C", "0A", "3P", "2S", "<04>"},
       "<02>0102<1B>AC27.4R40C0A3P2S<04>",
       entry},
      {kAC2 + "type NumColText 12\ntype NUMText AB\n" + kSend, {}, "", entry},
      {kAC2 + "type NumRowText 1\n" + kSend, {}, "", entry},
  });
}

TEST(AndonSubCell, FailedWriteIsReported) {
  Harness h;
  h.serial.fail_writes = true;
  h.Run(kAC2 + "type NumRowText 3\ntype NumColText 12\n" + kSend);
  EXPECT_EQ(h.w.StatusText->Text(), "ERROR: The packet could not be written to comm port 1.");
}

}  // namespace
}  // namespace tvx::testing
