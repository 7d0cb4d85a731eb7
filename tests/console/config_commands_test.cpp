#include <gtest/gtest.h>

#include "tests/support/command_case.h"

namespace tvx::testing {
namespace {

using Pieces = std::vector<std::string>;

// Alt+K in the base state reveals the SLI, SFD and SMB section buttons.
const std::string kService = "key GroupText K 4\n";
const std::string kNumberMissing = "ERROR: You must specify the number that you wish to send.";
const std::string kNotNumeric =
    "ERROR: Please enter only a numeric value. This value must be no longer than 2 digits.";
const std::string kBadAssignment =
    "ERROR: The Group and Unit address assignments must be non-negative numeric values. If you "
    "wish to disable a particular device set, assign '00' to its Group and '00' to its Unit.";

Pieces operator+(Pieces a, const Pieces& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Pieces Head(const std::string& field) {
  return {"<02>", "0000", "<1B>", "SSN", field, "<1B>"};
}
const Pieces kWildcard = {"<02>", "0000", "<1B>", "SSNZYXWV", "<1B>"};

std::string SentTo(const std::string& what, const std::string& field) {
  return "The '" + what + "' command has been sent to serial # " + field;
}

// Enters a section, types the serial number (when given) and the steps, and sends.
std::string In(const std::string& button, const std::string& serno, const std::string& steps) {
  return "click " + button + "\n" + (serno.empty() ? "" : "type SernoText " + serno + "\n") +
         steps + kSend;
}

// SLI's section locks the serial box, so the number is typed in another section first.
std::string SernoBefore(const std::string& serno) {
  return "click SBTButton\ntype SernoText " + serno + "\nclick CancelButton\n";
}

TEST(SetGroupUnit, FifteenTwoDigitPairsAfterTheSerialHead) {
  Pieces fourteen_empty;
  for (int i = 1; i < 15; ++i) fourteen_empty = fourteen_empty + Pieces{"00", "00"};
  const std::string zeros = std::string(56, '0');
  const std::string sent = SentTo("Set Group and Unit", "12345");
  const std::string ds1 = "type txtSGUGroup(0) 1\ntype txtSGUUnit(0) 2\n";
  const std::vector<CommandCase> both_links = {
      {In("SGUButton", "12345", ds1),
       Head("12345") + Pieces{"SGU", "01", "02"} + fourteen_empty + Pieces{"<04>"},
       "<02>0000<1B>SSN12345<1B>SGU0102" + zeros + "<04>", sent},
      {In("SGUButton", "7",
          "type txtSGUGroup(14) 99\ntype txtSGUUnit(14) 9.\ntype txtSGUUnit(13) -0\n"),
       Head("00007") + Pieces{"SGU"} + fourteen_empty + Pieces{"99", "09", "<04>"},
       "<02>0000<1B>SSN00007<1B>SGU" + zeros + "9909<04>", SentTo("Set Group and Unit", "00007")},
      {In("SGUButton", "12345", "type txtSGUUnit(3) -1\n"), {}, "", kBadAssignment},
      {In("SGUButton", "12345", "type txtSGUGroup(14) x\n"), {}, "", kBadAssignment},
      {In("SGUButton", "", ds1), {}, "", kSernoMissing},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
}

TEST(SetGroupUnit, FillsEmptyBoxesAndABadBoxDropsThePendingSend) {
  // Only empty boxes change; the packet carries 05, the box keeps 5.
  Harness h;
  EXPECT_EQ(
      h.Run(In("SGUButton", "1", "type txtSGUUnit(0) 5\n") +
            "print txtSGUGroup(0)\nprint txtSGUUnit(0)\nprint txtSGUUnit(14)\nprint SendFlag\n"),
      "txtSGUGroup(0).Text=00\ntxtSGUUnit(0).Text=5\ntxtSGUUnit(14).Text=00\nSendFlag=True\n");
  // The zeros go in before the check, so they are there even when a box is refused.
  EXPECT_EQ(h.Run(In("SGUButton", "1", "type txtSGUGroup(2) ab\n") +
                  "print txtSGUGroup(3)\nprint SendFlag\n" + kSend + "print StatusText\n"),
            "txtSGUGroup(3).Text=00\nSendFlag=False\nStatusText.Text=" + kBadAssignment + "\n");
  // A serial-number refusal fills nothing and keeps the send pending.
  Harness s;
  EXPECT_EQ(s.Run(In("SGUButton", "abc", "") + "print txtSGUGroup(0)\nprint SendFlag\n"),
            "txtSGUGroup(0).Text=\nSendFlag=True\n");
}

TEST(ModifySerial, TheValidatedNumberFollowsTheCode) {
  const std::string sent = "The 'Modify Serial Number ' command has been sent.";
  const std::vector<CommandCase> cases = {
      {In("ModSNButton", "42", ""), kWildcard + Pieces{"SS#", "00042", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SS#00042<04>", sent},
      {In("ModSNButton", "-5", ""), {}, "", kSernoInvalid},
      {In("ModSNButton", "", ""), {}, "", kSernoMissing},
  };
  CheckCommands(cases);
  CheckCommands(cases, /*tcp=*/true);
}

TEST(BoardTypes, TextGoesAsTypedAndSubTypeChecksDifferByLink) {
  const std::string type_sent = SentTo("Set Board Type ", "00001");
  const std::string sub_sent = SentTo("Set Board Sub-Type ", "00001");
  const std::vector<CommandCase> both_links = {
      {In("SBTButton", "1", "type SBTText 7\n"), Head("00001") + Pieces{"SBT", "7", "<04>"},
       "<02>0000<1B>SSN00001<1B>SBT7<04>", type_sent},
      {In("SBTButton", "1", "type SBTText 007\n"), Head("00001") + Pieces{"SBT", "007", "<04>"},
       "<02>0000<1B>SSN00001<1B>SBT007<04>", type_sent},
      {In("SBTButton", "1", "type SBTText 1a\n"), {}, "", kNotNumeric},
      {In("SBTButton", "1", ""), {}, "", kNumberMissing},
      {In("SBTButton", "", "type SBTText 7\n"), {}, "", kSernoMissing},
      {In("SBSButton", "1", "type SBSText 12\n"), Head("00001") + Pieces{"SBS", "12", "<04>"},
       "<02>0000<1B>SSN00001<1B>SBS12<04>", sub_sent},
      {In("SBSButton", "1", ""), {}, "", kNumberMissing},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
  const std::string alpha =
      "ERROR: Please enter only Alpha-Numeric Values including a hyphen, if needed, and no longer "
      "than 15 characters.";
  CheckCommands({
      {In("SBSButton", "1", "type SBSText AB-12\n"), Head("00001") + Pieces{"SBS", "AB-12", "<04>"},
       "<02>0000<1B>SSN00001<1B>SBSAB-12<04>", sub_sent},
      {In("SBSButton", "1", "type SBSText abcdefghij-1234\n"),
       Head("00001") + Pieces{"SBS", "abcdefghij-1234", "<04>"},
       "<02>0000<1B>SSN00001<1B>SBSabcdefghij-1234<04>", sub_sent},
      {In("SBSButton", "1", "type SBSText abcdefghij-12345\n"), {}, "", alpha},
      {In("SBSButton", "1", "type SBSText AB_1\n"), {}, "", alpha},
  });
  CheckCommands({{In("SBSButton", "1", "type SBSText AB-12\n"), {}, "", kNotNumeric}},
                /*tcp=*/true);
}

TEST(LedIntensity, WildcardOnBothLinksWithLinkSpecificChecksAndDisplay) {
  const std::string sli = kService + "click SLIButton\n";
  CheckCommands({
      {sli + "type SLIText 50\n" + kSend, kWildcard + Pieces{"SLI", "50", "I", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SLI50I<04>", SentTo("Set LED Intensity", "")},
      {sli + "type SLIText 05\n" + kSend, kWildcard + Pieces{"SLI", "05", "I", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SLI5I<04>", SentTo("Set LED Intensity", "")},
      // The status names whatever the serial field holds: here a section reset's "-1".
      {"click SACButton\nclick CancelButton\n" + sli + "type SLIText 3\n" + kSend,
       kWildcard + Pieces{"SLI", "3", "I", "<04>"}, "<02>0000<1B>SSNZYXWV<1B>SLI3I<04>",
       SentTo("Set LED Intensity", "-1")},
      {In("ModSNButton", "42", "") + "click CancelButton\n" + sli + "type SLIText 3\n" + kSend,
       Pieces{"<02>", "0000", "<1B>", "SSNZYXWV", "<1B>", "SS#", "00042", "<04>"} + kWildcard +
           Pieces{"SLI", "3", "I", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SLI3I<04>", SentTo("Set LED Intensity", "00042")},
      {sli + kSend,
       {},
       "",
       "ERROR: You must specify the number (from 1-18) that you wish to send.  The max intensity "
       "is "
       "18 and the minimum intensity is 1."},
      {sli + "type SLIText x\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value (1-18)."},
  });
  CheckCommands(
      {
          {SernoBefore("42") + sli + "type SLIText 05\n" + kSend,
           kWildcard + Pieces{"SLI", "05", "I", "<04>"}, "<02>0000<1B>SSNZYXWV<1B>SLI05I<04>",
           SentTo("Set LED Intensity", "00042")},
          {SernoBefore("42") + sli + kSend, {}, "", kNumberMissing},
          {SernoBefore("42") + sli + "type SLIText x\n" + kSend, {}, "", kNotNumeric},
          {sli + "type SLIText 5\n" + kSend, {}, "", kSernoMissing},
      },
      /*tcp=*/true);
}

TEST(FaderLevelAndColumns, SerialHeadCodeTextAndSuffix) {
  const std::string sfd = kService + "click SFDButton\ntype SernoText 42\n";
  const std::string sent = SentTo("Set System Fader Level ", "00042");
  const std::string not_numeric_sfd = sfd + "type SFDText 9x\n" + kSend;
  const std::vector<CommandCase> both_links = {
      {sfd + "type SFDText 99\n" + kSend, Head("00042") + Pieces{"SFD", "99", "<04>"},
       "<02>0000<1B>SSN00042<1B>SFD99<04>", sent},
      {not_numeric_sfd, {}, "", kNotNumeric},
      {In("SACButton", "3", "type NUMText 12\n"), Head("00003") + Pieces{"SAC", "12", "C", "<04>"},
       "<02>0000<1B>SSN00003<1B>SAC12C<04>", SentTo("Set # of Columns ", "00003")},
      {In("SACButton", "3", "type NUMText -x\n"), {}, "", kNotNumeric},
      // The section empties the box that NUM left filled.
      {"click NumButton\ntype NUMText 1234\nclick CancelButton\n" + In("SACButton", "3", ""),
       {},
       "",
       kNumberMissing},
      {In("SACButton", "", "type NUMText 12\n"), {}, "", kSernoMissing},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
  CheckCommands({{sfd + kSend,
                  {},
                  "",
                  "ERROR: You must specify the number (from 0-99) that you wish to send."}});
  CheckCommands({{sfd + kSend,
                  {},
                  "",
                  "ERROR: You must specify a number (from 0-99) that you wish to send."}},
                /*tcp=*/true);
}

TEST(MarqueeBrightness, NumbersShownParsedButSentAsTyped) {
  const std::string smb = kService + "click SMBButton\n";
  const std::string sent = "The 'Set Marquee Brightness' command has been sent.";
  const std::vector<CommandCase> both_links = {
      {smb + "type SMBText1 5\ntype SMBText2 12\n" + kSend,
       kWildcard + Pieces{"SMB", "5", "R", "12", "L", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SMB5R12L<04>", sent},
      {smb + "type SMBText1 07\ntype SMBText2 3\n" + kSend,
       kWildcard + Pieces{"SMB", "07", "R", "3", "L", "<04>"},
       "<02>0000<1B>SSNZYXWV<1B>SMB7R3L<04>", sent},
      {smb + kSend,
       {},
       "",
       "ERROR: You must specify a number for Regular intensity (from 0-15) that you wish to send."},
      {smb + "type SMBText1 5\n" + kSend,
       {},
       "",
       "ERROR: You must specify a number for Lamp Test intensity (from 0-15) that you wish to "
       "send."},
      {smb + "type SMBText1 5\ntype SMBText2 x\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value from 0 - 15."},
      {smb + "type SMBText1 x\ntype SMBText2 5\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value from 0 - 15."},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
}

TEST(SeriesFlagAndMarqueeDetect, OneCharacterFromTheOptions) {
  auto sor = [](const std::string& option, const char* character) {
    return CommandCase{In("SORButton", "42", option),
                       Head("00042") + Pieces{"SOR", character, "<04>"},
                       std::string("<02>0000<1B>SSN00042<1B>SOR") + character + "<04>",
                       SentTo("Set ORMII Flag", "00042")};
  };
  auto smd = [](const std::string& option, const char* character) {
    return CommandCase{In("SMDButton", "42", option),
                       Head("00042") + Pieces{"SMD", character, "<04>"},
                       std::string("<02>0000<1B>SSN00042<1B>SMD") + character + "<04>",
                       SentTo("Set Marquee Detect", "00042")};
  };
  const std::vector<CommandCase> both_links = {
      sor("click optSOR(1)\n", "1"),
      sor("click optSOR(0)\n", "0"),
      sor("", "1"),
      smd("click optSMD(0)\n", "0"),
      smd("click optSMD(1)\n", "1"),
      smd("click optSMD(2)\n", "2"),
      smd("", "2"),
      {In("SORButton", "", ""), {}, "", kSernoMissing},
      {In("SMDButton", "abc", ""), {}, "", kSernoInvalid},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
}

TEST(Volume, GroupUnitAndTheSerialNumberAsTyped) {
  const std::string vl1 = "click VolumeButton\ntype GroupText 1\ntype UnitText 2\n";
  const Pieces address = {"<02>", "01", "02", "<1B>", "SSN"};
  const std::vector<CommandCase> both_links = {
      {vl1 + "type SernoText 7\ntype VolumeText 10\ntype ChannelText 3\n" + kSend,
       address + Pieces{"7", "<1B>", "VL1", "10", "V", "3", "C", "<04>"},
       "<02>0102<1B>SSN7<1B>VL110V3C<04>", SentTo("Set Volume", "7")},
      {vl1 + "type SernoText 00042\n" + kSend,
       address + Pieces{"00042", "<1B>", "VL1", "00", "V", "00", "C", "<04>"},
       "<02>0102<1B>SSN00042<1B>VL100V00C<04>", SentTo("Set Volume", "00042")},
      {"click VolumeButton\ntype SernoText 7\n" + kSend,
       {},
       "",
       "ERROR: You must specify the Group and Unit address of your target device."},
  };
  CheckCommands(both_links);
  CheckCommands(both_links, /*tcp=*/true);
  // Unchecked on the serial link: any text goes, even none.
  CheckCommands({
      {vl1 + "type VolumeText 5\ntype ChannelText 1\n" + kSend,
       address + Pieces{"", "<1B>", "VL1", "5", "V", "1", "C", "<04>"},
       "<02>0102<1B>SSN<1B>VL15V1C<04>", SentTo("Set Volume", "")},
      {vl1 + "type SernoText -x\ntype VolumeText 5\ntype ChannelText 1\n" + kSend,
       address + Pieces{"-x", "<1B>", "VL1", "5", "V", "1", "C", "<04>"},
       "<02>0102<1B>SSN-x<1B>VL15V1C<04>", SentTo("Set Volume", "-x")},
  });
  CheckCommands({{vl1 + "type SernoText -x\n" + kSend, {}, "", kSernoInvalid}}, /*tcp=*/true);
}

TEST(ConfigCommands, PacketLengths) {
  const std::pair<std::string, size_t> cases[] = {
      {In("SGUButton", "12345", "type txtSGUGroup(0) 1\n"), 79},
      {In("ModSNButton", "42", ""), 24},
      {In("SORButton", "42", ""), 20},
      {In("SMDButton", "42", ""), 20},
      {kService + "click SLIButton\ntype SLIText 18\n" + kSend, 22},
  };
  for (const auto& [script, length] : cases) {
    Harness h;
    h.Run(script);
    EXPECT_EQ(h.serial.Bytes().size(), length) << script;
  }
}

TEST(ConfigCommands, KeepTheValuesTheyParsed) {
  const std::pair<std::string, std::string> cases[] = {
      {In("SBTButton", "1", "type SBTText 007\n") + "print NUMVal\n", "NUMVal=7\n"},
      {In("SBSButton", "1", "type SBSText AB-1\n") + "print SBSVal\nprint NUMVal\n",
       "SBSVal=AB-1\nNUMVal=0\n"},
      {kService + "click SMBButton\ntype SMBText1 07\ntype SMBText2 3\n" + kSend +
           "print NUMVal\nprint NUMVal2\n",
       "NUMVal=7\nNUMVal2=3\n"},
      {In("SACButton", "1", "type NUMText 12\n") + "type NUMText x\n" + kSend + "print NUMVal\n",
       "NUMVal=12\n"},
      {"click VolumeButton\ntype GroupText 1\ntype UnitText 2\ntype SernoText 42\n" + kSend +
           "print SernoValStringSend\nprint VolumeText\nprint ChannelText\n",
       "SernoValStringSend=42\nVolumeText.Text=00\nChannelText.Text=00\n"},
  };
  for (const auto& [script, printed] : cases) {
    Harness h;
    EXPECT_EQ(h.Run(script), printed) << script;
  }
}

TEST(ConfigCommands, AFailedWriteReportsTheErrorLine) {
  Harness serial;
  serial.serial.Unplug();
  serial.Run(In("SORButton", "42", "click optSOR(0)\n"));
  EXPECT_EQ(serial.w.StatusText->Text(), "ERROR: The packet could not be written to comm port 1.");
  EXPECT_EQ(serial.w.PacketText->Text(), "<02>0000<1B>SSN00042<1B>SOR0<04>");
  Harness tcp;
  tcp.socket.state = window::kSckConnected;
  tcp.socket.fail_sends = true;
  tcp.Run(In("ModSNButton", "42", ""));
  EXPECT_EQ(tcp.w.StatusText->Text(),
            "ERROR: The packet could not be written to the TCP/IP connection.");
}

}  // namespace
}  // namespace tvx::testing
