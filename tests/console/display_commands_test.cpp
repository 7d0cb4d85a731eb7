#include <gtest/gtest.h>

#include "console/serial_number.h"
#include "tests/support/command_case.h"

namespace tvx::testing {
namespace {

const std::string kMarqueeSent = "The 'Message Marquee ' command has been sent to Group = ";

std::string Marquee(const std::string& steps) {
  return "click MrqButton\ntype GroupText 01\ntype UnitText 05\n" + steps + kSend;
}

TEST(Marquee, PacketsFollowTheOptionButtons) {
  CheckCommands({
      {Marquee("type MRQText HELLO\n"),
       {"<02>", "01", "05", "<0C>", "<12>", "HELLO", "<04>"},
       "<02>0105<0C><12>HELLO<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("type MRQText Hi\nclick MRQCHOFF\nclick MRQFlashON\n"),
       {"<02>", "01", "05", "<10>", "Hi", "<04>"},
       "<02>0105<10>Hi<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("type MRQText A\nclick MRQCRON\n"),
       {"<02>", "01", "05", "<0D>", "<12>", "A", "<04>"},
       "<02>0105<0D><12>A<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("click MRQCRON\nclick MRQCHON\n"),  // back: CR turns OFF again
       {"<02>", "01", "05", "<0C>", "<12>", "<04>"},
       "<02>0105<0C><12><04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("type MRQText X\nclick MRQAutoCenterON\ntype SernoText 12\n"),
       {"<02>", "0000", "<1B>", "SSN", "00012", "<1B>", "SMC", "1C", "<04>", "<02>", "01", "05",
        "<0C>", "<12>", "X", "<04>"},
       "<02>0000<1B>SSN00012<1B>SMC1C<04><02>0105<0C><12>X<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("type MRQText X\nclick MRQAutoCenterOFF\ntype SernoText 987\n"),
       {"<02>", "0000", "<1B>", "SSN", "00987", "<1B>", "SMC", "0C", "<04>", "<02>", "01", "05",
        "<0C>", "<12>", "X", "<04>"},
       "<02>0000<1B>SSN00987<1B>SMC0C<04><02>0105<0C><12>X<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee(
           "type MRQText X\nclick MRQAutoCenterON\nclick MRQAutoCenterON\n"),  // not chosen again
       {"<02>", "01", "05", "<0C>", "<12>", "X", "<04>"},
       "<02>0105<0C><12>X<04>",
       kMarqueeSent + "01, Unit = 05"},
      {Marquee("type MRQText X\nclick MRQAutoCenterON\n"), {}, "", kSernoMissing},
      {Marquee("type MRQText X\nclick MRQAutoCenterOFF\ntype SernoText -5\n"),
       {},
       "",
       kSernoInvalid},
      {"click MrqButton\ntype GroupText ab\ntype UnitText\ntype MRQText M\n" + kSend,
       {"<02>", "ab", "", "<0C>", "<12>", "M", "<04>"},
       "<02>ab<0C><12>M<04>",
       kMarqueeSent + "ab, Unit = "},
  });
}

TEST(Marquee, OptionClicksChangeColoursOnly) {
  Harness h;
  const std::string out = h.Run(
      "click MrqButton\nclick MRQAutoCenterON\nclick MRQAutoCenterOFF\n"
      "print MRQAutoCenterON BackColor\nprint MRQAutoCenterOFF BackColor\n"
      "click MRQAutoCenterOFF\nprint MRQAutoCenterOFF BackColor\n"
      "click MRQCHOFF\nclick MRQCROFF\nprint MRQCHON BackColor\nprint MRQCRON BackColor\n"
      "click MRQFlashON\nclick MRQFlashON\nprint MRQFlashON BackColor\nprint MRQFlashOFF "
      "BackColor\n");
  EXPECT_EQ(out,
            "MRQAutoCenterON.BackColor=192,192,192\nMRQAutoCenterOFF.BackColor=255,0,0\n"
            "MRQAutoCenterOFF.BackColor=192,192,192\n"
            "MRQCHON.BackColor=192,192,192\nMRQCRON.BackColor=192,192,192\n"
            "MRQFlashON.BackColor=0,255,0\nMRQFlashOFF.BackColor=192,192,192\n");
  EXPECT_TRUE(h.serial.pieces.empty());
}

TEST(DisplayMode, TemplateTextGoesAsTyped) {
  const std::string sent = "The 'SDM' command has been sent";
  CheckCommands({
      {"click SDMButton\ntype NUMText 7\n" + kSend,
       {"<02>", "00", "00", "<1B>", "SDM", "7", "M", "<04>"},
       "<02>0000<1B>SDM7M<04>",
       sent},
      {"click SDMButton\ntype NUMText 007\n" + kSend,
       {"<02>", "00", "00", "<1B>", "SDM", "007", "M", "<04>"},
       "<02>0000<1B>SDM007M<04>",
       sent},
      {"click SDMButton\ntype NUMText -5\n" + kSend,
       {"<02>", "00", "00", "<1B>", "SDM", "-5", "M", "<04>"},
       "<02>0000<1B>SDM-5M<04>",
       sent},
      {"click SDMButton\ntype NUMText 1x\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be no longer than 3 digits."},
      {"click SDMButton\n" + kSend,
       {},
       "",
       "ERROR: You must specify the template number that you wish to send."},
  });
}

TEST(SerialNumber, FieldIsFiveDigitsOrARefusal) {
  const std::pair<const char*, const char*> cases[] = {
      {"1", "00001"},     {"987", "00987"},   {"12345", "12345"},  {"0", "00000"},
      {"99999", "99999"}, {"00042", "00042"}, {"42", "00042"},     {"", nullptr},
      {"-5", nullptr},    {"abc", nullptr},   {"100000", nullptr}, {"1e3", nullptr}};
  for (const auto& [text, field] : cases) {
    Harness h;
    h.w.SernoText->SetText(text);
    h.w.StatusText->SetText("before");
    const bool good = console::ValidateSerno(h.w);
    EXPECT_EQ(good, field != nullptr) << text;
    EXPECT_EQ(h.w.GoodSerno, good);
    if (field) {
      EXPECT_EQ(h.w.SernoValStringSend, field) << text;
      EXPECT_EQ(h.w.StatusText->Text(), "before");
    } else {
      EXPECT_EQ(h.w.StatusText->Text(), *text ? kSernoInvalid : kSernoMissing) << text;
    }
  }
  Harness h;
  h.w.SernoText->SetText("12");
  console::ValidateSerno(h.w);
  h.w.SernoText->SetText("x");
  EXPECT_FALSE(console::ValidateSerno(h.w));
  EXPECT_FALSE(h.w.GoodSerno) << "a failed check after a pass refuses";
  EXPECT_EQ(h.w.SernoValStringSend, "00012");
  h.w.SernoText->SetText("100000");
  console::ValidateSerno(h.w);
  EXPECT_EQ(h.w.SernoVal, 100000) << "a parsed number out of range stays";
}

TEST(Maintenance, FixedAndGroupUnitPackets) {
  CheckCommands({
      {"type GroupText 5\nclick SVNButton\n" + kSend,
       {"<02>", "0000", "<1B>", "SVN", "<04>"},
       "<02>0000<1B>SVN<04>",
       "SVN command sent"},
      {"click BootButton\n" + kSend,
       {"<02>", "0000", "<1B>", "0", "<04>"},
       "<02>0000<1B>0<04>",
       "The 'Soft-Boot' command has been sent."},
      {"click ClearButton\ntype GroupText 3\ntype UnitText 12\n" + kSend,
       {"<02>", "03", "12", "<1B>", "3", "<04>"},
       "<02>0312<1B>3<04>",
       "The 'Clear' command has been sent to Group = 03, Unit = 12"},
      {"click TestButton\nclick GlobalButton\n" + kSend,
       {"<02>", "00", "00", "<1B>", "1", "<04>"},
       "<02>0000<1B>1<04>",
       "The 'Lamp Test' command has been sent to Group = 00, Unit = 00"},
      {"click DiagButton\ntype GroupText 7\ntype UnitText 3\n" + kSend,
       {"<02>", "07", "03", "<1B>", "2", "<04>"},
       "<02>0703<1B>2<04>",
       "The 'Diagnostics' command has been sent to Group = 07, Unit = 03"},
      {"click DiagButton\ntype GroupText 7\n" + kSend,
       {},
       "",
       "ERROR: You must specify the Group and Unit address of your target device."},
  });
}

TEST(Maintenance, SendingTwiceSendsTheSameBytes) {
  Harness h;
  h.Run("click ClearButton\ntype GroupText 3\ntype UnitText 12\n" + kSend + kSend);
  EXPECT_EQ(h.serial.Bytes(), std::string("\x02"
                                          "0312\x1b"
                                          "3\x04\x02"
                                          "0312\x1b"
                                          "3\x04"));
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0312<1B>3<04>");
}

const std::string kNumberSent = "The 'Number ' command has been sent to Group = 01, Unit = 02";

TEST(NumericDisplay, NumberRowColumnAndAttribute) {
  const std::string enter = "click NumButton\ntype GroupText 1\ntype UnitText 2\n";
  CheckCommands({
      {enter + "type NUMText 1234\n" + kSend,
       {"<02>", "01", "02", "<1B>", "NUM", "1234", "N", "1A", "<04>"},
       "<02>0102<1B>NUM1234N1A<04>",
       kNumberSent},
      {enter + "type NUMText 5\ntype NumRowText 1\ntype NumColText 12\nclick NUMAttFF\n" + kSend,
       {"<02>", "01", "02", "<1B>", "NUM", "1", "R", "12", "C", "5", "N", "3A", "<04>"},
       "<02>0102<1B>NUM1R12C5N3A<04>",
       kNumberSent},
      {enter + "type NUMText 5\ntype NumRowText 1\nclick NUMAttOFF\n" + kSend,
       {"<02>", "01", "02", "<1B>", "NUM", "5", "N", "0A", "<04>"},
       "<02>0102<1B>NUM5N0A<04>",
       kNumberSent},
      {enter + "type NUMText -12\nclick NUMAttFS\n" + kSend,
       {"<02>", "01", "02", "<1B>", "NUM", "-12", "N", "2A", "<04>"},
       "<02>0102<1B>NUM-12N2A<04>",
       kNumberSent},
      {enter + "type NUMText 12a\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be no longer than 4 digits."},
      {enter + kSend, {}, "", "ERROR: You must specify the number that you wish to send."},
      {"click NumButton\ntype GroupText -1\ntype UnitText 2\ntype NUMText 5\n" + kSend,
       {},
       "",
       "ERROR: The Group and Unit address must be a non-negative numeric value."},
  });
}

TEST(StackLight, RowAndAttributeWithTheAddressAsTyped) {
  CheckCommands({
      {"click SL1Button\ntype GroupText 01\ntype UnitText 02\ntype NumRowText 3\nclick "
       "NUMAttOFF\n" +
           kSend,
       {"<02>", "01", "02", "<1B>", "SL1", "3", "R", "0A", "<04>"},
       "<02>0102<1B>SL13R0A<04>",
       "The 'SL1' command has been sent to Group = 01, Unit = 02"},
      {"click SL1Button\ntype UnitText 7\ntype NumRowText 2\n" + kSend,
       {"<02>", "", "07", "<1B>", "SL1", "2", "R", "1A", "<04>"},
       "<02>07<1B>SL12R1A<04>",
       "The 'SL1' command has been sent to Group = , Unit = 07"},
      {"click SL1Button\ntype NumRowText x\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be no longer than 2 digits."},
      {"click SL1Button\n" + kSend,
       {},
       "",
       "ERROR: You must specify the row that you wish to send."},
  });
  CheckCommands(
      {{"click SL1Button\ntype GroupText 01\ntype UnitText 02\ntype NumRowText 3\n" + kSend,
        {"<02>", "01", "02", "<1B>", "SL1", "3", "R", "1A", "<04>"},
        "<02>0102<1B>SL13R1A<04>",
        "The 'SL1 ' command has been sent to Group = 01, Unit = 02"}},
      /*tcp=*/true);
}

TEST(Tunes, OptionalValuesCarryTheirLettersOnlyOnTheWire) {
  const std::string tune_sent = "The 'Tune' command has been sent to Group = 01, Unit = 02";
  const std::string enter1 = "click TuneButton\ntype GroupText 1\ntype UnitText 2\n";
  const std::string enter2 = "click Tunebutton2\ntype GroupText 1\ntype UnitText 2\n";
  CheckCommands({
      {enter1 + "type TUNText 5\ntype SecondsText 10\n" + kSend,
       {"<02>", "01", "02", "<1B>", "TU1", "5", "T", "10", "S", "<04>"},
       "<02>0102<1B>TU15T10SRDP<04>",
       tune_sent},
      {enter2 + "type TUNText 255\ntype RepeatText 3\ntype DurationText 20\ntype PriorityText 1\n" +
           kSend,
       {"<02>", "01", "02", "<1B>", "TU2", "255", "T", "3", "R", "20", "D", "1", "P", "<04>"},
       "<02>0102<1B>TU2255TS3R20D1P<04>",
       tune_sent},
      {enter1 + "type TUNText 2.5\n" + kSend,
       {"<02>", "01", "02", "<1B>", "TU1", "2.5", "T", "<04>"},
       "<02>0102<1B>TU12.5TSRDP<04>",
       tune_sent},
      {enter1 + "type TUNText 256\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be between 0 and 255 "
       "inclusively."},
      {enter1 + "type TUNText abc\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be between 0 and 255 "
       "inclusively."},
      {enter1 + "type TUNText -1\n" + kSend,
       {},
       "",
       "ERROR: Please enter only a numeric value. This value must be between 0 and 255 "
       "inclusively."},
      {enter1 + kSend,
       {},
       "",
       "ERROR: You must specify the Tune number that you wish to send (0-255)."},
  });
}

TEST(DisplayCommands, SameOnTcpAndFailedWritesSaySo) {
  CheckCommands({{"click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n" + kSend,
                  {"<02>", "01", "02", "<1B>", "NUM", "1234", "N", "1A", "<04>"},
                  "<02>0102<1B>NUM1234N1A<04>",
                  kNumberSent}},
                /*tcp=*/true);
  Harness h;
  h.serial.Unplug();
  h.Run("click SVNButton\n" + kSend);
  EXPECT_EQ(h.w.StatusText->Text(), "ERROR: The packet could not be written to comm port 1.");
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0000<1B>SVN<04>");
}

}  // namespace
}  // namespace tvx::testing
