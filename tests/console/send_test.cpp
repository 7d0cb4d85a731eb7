#include <gtest/gtest.h>

#include <functional>

#include "console/texts.h"
#include "tests/support/harness.h"

namespace tvx::testing {
namespace {

using window::CommandFlags;

// A Misc section with a typed packet, ready to send.
void EnterMisc(Harness& h, const std::string& packet) {
  h.Run("click MiscButton\ntype PacketText " + packet + "\n");
}

TEST(Load, BaseStateWithTheFirstPortOpen) {
  Harness h;
  EXPECT_EQ(h.w.frmMain->Caption(), "TVXORM, version 1.00");
  EXPECT_EQ(h.w.StatusText->Text(),
            "Comm port 1 was chosen as the default based upon availability. You may select a "
            "different comm port than what was assigned.  Choose from those shown above.");
  EXPECT_TRUE(h.w.Comm1Option->Value());
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_EQ(h.serial.Settings(), "9600,N,8,1");
  for (window::Control* c :
       {h.w.SendButton, h.w.CancelButton, static_cast<window::Control*>(h.w.PacketText),
        static_cast<window::Control*>(h.w.SernoText)}) {
    EXPECT_FALSE(c->Enabled()) << c->Name();
  }
  for (window::Control* c : {static_cast<window::Control*>(h.w.GroupText),
                             static_cast<window::Control*>(h.w.UnitText), h.w.GlobalButton}) {
    EXPECT_TRUE(c->Enabled()) << c->Name();
  }
  EXPECT_EQ(h.w.CommandDataFrame->Caption(), "");
  EXPECT_FALSE(h.w.flags.Any());
  EXPECT_FALSE(h.w.SendFlag);
  EXPECT_FALSE(h.w.TCPIP);
  EXPECT_FALSE(h.w.RemotePortText->Visible());
  EXPECT_FALSE(h.w.STXButton->Visible());
  EXPECT_FALSE(h.w.ORM610R1(1)->Visible());
}

TEST(Misc, TypedPacketGoesOutAsOnePieceOnTheNextTick) {
  Harness h;
  EnterMisc(h, "<02>0105<1B>NUM12N<04>");
  h.Run("click SendButton\nwait 99\n");
  EXPECT_TRUE(h.serial.pieces.empty()) << "Send itself writes nothing";
  h.Advance(1);
  ASSERT_EQ(h.serial.pieces.size(), 1u);
  EXPECT_EQ(h.serial.pieces[0].bytes,
            "\x02"
            "0105\x1bNUM12N\x04");
  EXPECT_EQ(h.w.StatusText->Text(), "The command is sent");
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0105<1B>NUM12N<04>") << "the operator's text stays";
  EXPECT_FALSE(h.w.Timer1->Enabled());
  EXPECT_TRUE(h.w.SendFlag);
  EXPECT_TRUE(h.w.flags.MiscFlag);
  h.Run("click SendButton\nwait 100\n");
  EXPECT_EQ(h.serial.pieces.size(), 2u) << "Send again repeats the packet";
}

TEST(Misc, EmptyPacketIsRefusedAndLeavesTheDispatcherIdle) {
  Harness h;
  EnterMisc(h, "");
  h.Run("click SendButton\nwait 100\n");
  EXPECT_EQ(h.w.StatusText->Text(), "No command input!");
  EXPECT_FALSE(h.w.Timer1->Enabled());
  h.Run("type PacketText ABC\nwait 1000\n");
  EXPECT_TRUE(h.serial.pieces.empty());
}

TEST(Misc, PacketOfNothingIsAnEmptyPieceAndStillReported) {
  Harness h;
  EnterMisc(h, "<04");
  h.Run("click SendButton\nwait 100\n");
  ASSERT_EQ(h.serial.pieces.size(), 1u);
  EXPECT_EQ(h.serial.pieces[0].bytes, "");
  EXPECT_EQ(h.w.StatusText->Text(), "The command is sent");
}

TEST(Misc, StateAtTheTickDecidesTheLink) {
  Harness h;
  EnterMisc(h, "AB");
  h.Run("click SendButton\n");
  h.socket.state = window::kSckConnected;  // connects between Send and the tick
  h.Advance(100);
  EXPECT_EQ(h.socket.Bytes(), "AB");
  EXPECT_TRUE(h.serial.pieces.empty()) << "the open serial port gets nothing";
}

struct WriteFailureCase {
  const char* name;
  std::function<void(Harness&)> break_link;
  const char* status;
};

TEST(Misc, FailedWritesAreReportedNotCalledSent) {
  const WriteFailureCase cases[] = {
      {"serial port gone", [](Harness& h) { h.serial.Unplug(); },
       "ERROR: The packet could not be written to comm port 1."},
      {"serial write refused", [](Harness& h) { h.serial.fail_writes = true; },
       "ERROR: The packet could not be written to comm port 1."},
      {"socket send refused",
       [](Harness& h) {
         h.socket.state = window::kSckConnected;
         h.socket.fail_sends = true;
       },
       "ERROR: The packet could not be written to the TCP/IP connection."},
  };
  for (const auto& c : cases) {
    Harness h;
    EnterMisc(h, "<02>X<04>");
    c.break_link(h);
    h.Run("click SendButton\nwait 100\n");
    EXPECT_EQ(h.w.StatusText->Text(), c.status) << c.name;
    EXPECT_EQ(h.w.PacketText->Text(), "<02>X<04>") << c.name;
    EXPECT_FALSE(h.w.Timer1->Enabled()) << c.name;
  }
}

// Stub branch that records what the dispatcher hands it.
struct Recorder {
  int runs = 0;
  std::string group, unit;
};

Recorder& RecordBranch(Harness& h, console::FlagMember flag) {
  static Recorder recorder;
  recorder = {};
  h.console.Dispatch().SetBranch(flag, [&h] {
    ++recorder.runs;
    recorder.group = h.w.GroupString;
    recorder.unit = h.w.UnitString;
    h.w.Timer1->SetEnabled(false);
  });
  return recorder;
}

struct AddressCase {
  const char* group;
  const char* unit;
  const char* shown_group;  // the box after Send
  const char* message;      // empty: passes
  const char* group_sent;
  const char* unit_sent;
};

TEST(Send, AddressCheckForCheckedCommands) {
  const AddressCase cases[] = {
      {"7", "3", "07", "", "07", "03"},
      {"05", "5", "05", "", "05", "05"},
      {"99", "0", "99", "", "99", "00"},
      {"0", "0", "00", "", "00", "00"},
      {"", "3", "", console::texts::kAddressMissing, "", ""},
      {"1", "", "01", console::texts::kAddressMissing, "", ""},
      {"-1", "3", "-1", console::texts::kAddressNotNumeric, "", ""},
      {"ab", "3", "ab", console::texts::kAddressNotNumeric, "", ""},
      {"3", "x", "03", console::texts::kAddressNotNumeric, "", ""},
      {"+7", "3", "+7", "", "07", "03"},
      {"1.", "3", "1.", "", "01", "03"},
  };
  for (const auto& c : cases) {
    Harness h;
    Recorder& r = RecordBranch(h, &CommandFlags::NUMFlag);
    h.w.flags.NUMFlag = true;
    h.w.StatusText->SetText("before");
    h.w.GroupText->SetText(c.group);
    h.w.UnitText->SetText(c.unit);
    h.console.Dispatch().Send();
    h.Advance(100);
    EXPECT_EQ(h.w.GroupText->Text(), c.shown_group) << c.group << "/" << c.unit;
    if (*c.message) {
      EXPECT_EQ(h.w.StatusText->Text(), c.message) << c.group << "/" << c.unit;
      EXPECT_EQ(r.runs, 0);
      EXPECT_FALSE(h.w.SendFlag);
      EXPECT_FALSE(h.w.Timer1->Enabled());
    } else {
      EXPECT_EQ(r.runs, 1) << c.group << "/" << c.unit;
      EXPECT_EQ(r.group, c.group_sent);
      EXPECT_EQ(r.unit, c.unit_sent);
      EXPECT_EQ(h.w.StatusText->Text(), "before");
    }
  }
}

TEST(Send, ExemptCommandsCarryTheBoxesUnchecked) {
  const console::FlagMember exempt[] = {
      &CommandFlags::SVNFlag,   &CommandFlags::SGUFlag, &CommandFlags::BootFlag,
      &CommandFlags::SACFlag,   &CommandFlags::SBTFlag, &CommandFlags::SBSFlag,
      &CommandFlags::ModSNFlag, &CommandFlags::SORFlag, &CommandFlags::SMDFlag,
      &CommandFlags::SFDFlag,   &CommandFlags::SLIFlag, &CommandFlags::SMBFlag,
      &CommandFlags::SDMFlag,   &CommandFlags::SL1Flag, &CommandFlags::MRQFlag};
  for (auto flag : exempt) {
    Harness h;
    Recorder& r = RecordBranch(h, flag);
    h.w.flags.*flag = true;
    h.w.GroupText->SetText("ab");
    h.w.UnitText->SetText("");
    h.console.Dispatch().Send();
    EXPECT_TRUE(h.w.SendFlag);
    h.Advance(100);
    EXPECT_EQ(r.runs, 1);
    EXPECT_EQ(r.group, "ab");
    EXPECT_EQ(r.unit, "");
  }
}

TEST(Send, FailedCheckAfterAGoodSendStopsTheRepeats) {
  Harness h;
  Recorder& r = RecordBranch(h, &CommandFlags::NUMFlag);
  h.w.flags.NUMFlag = true;
  h.w.GroupText->SetText("1");
  h.w.UnitText->SetText("2");
  h.console.Dispatch().Send();
  h.Advance(100);
  h.w.GroupText->SetText("");
  h.console.Dispatch().Send();
  h.Advance(1000);
  EXPECT_EQ(r.runs, 1);
  EXPECT_FALSE(h.w.SendFlag);
  EXPECT_EQ(h.w.StatusText->Text(), console::texts::kAddressMissing);
}

TEST(Send, WithoutASectionArmsNothing) {
  Harness h;
  h.w.GroupText->SetText("1");
  h.w.UnitText->SetText("2");
  h.w.StatusText->SetText("before");
  h.Run("key StatusText F1\n");
  EXPECT_FALSE(h.w.SendFlag);
  EXPECT_FALSE(h.w.Timer1->Enabled());
  EXPECT_EQ(h.w.GroupText->Text(), "1") << "nothing else changes";
  EXPECT_EQ(h.w.StatusText->Text(), "before");
  // The next section chosen is not sent until Send is pressed.
  EnterMisc(h, "AB");
  h.Advance(1000);
  EXPECT_TRUE(h.serial.pieces.empty());
}

TEST(Send, RowAndColumnResetAndTimerArmedAt100ms) {
  Harness h;
  EnterMisc(h, "A");
  h.w.Row = 4;
  h.w.Col = 9;
  h.console.Dispatch().Send();
  EXPECT_EQ(h.w.Row, 1);
  EXPECT_EQ(h.w.Col, 0);
  EXPECT_EQ(h.w.Timer1->Interval(), 100);
  EXPECT_TRUE(h.w.Timer1->Enabled());
}

TEST(Sections, MiscEntryAndCancelReturnToTheBaseState) {
  Harness h;
  h.Run("click MiscButton\n");
  EXPECT_TRUE(h.w.flags.MiscFlag);
  EXPECT_FALSE(h.w.PacketText->Locked());
  EXPECT_EQ(h.w.PacketText->MaxLength(), 256);
  EXPECT_TRUE(h.w.PacketText->Enabled());
  EXPECT_TRUE(h.w.SendButton->Enabled());
  EXPECT_FALSE(h.w.AddressFrame->Visible());
  EXPECT_FALSE(h.w.GroupText->Visible());
  EXPECT_TRUE(h.w.CntlClear->Visible());
  EXPECT_EQ(h.w.CommandDataFrame->Caption(), "Miscellaneous Commands");
  EXPECT_EQ(h.w.StatusText->Text(),
            "You have entered the 'Miscellaneous Commands' section. Please type your desired "
            "packet and click 'Send'.");
  for (window::Button* b : h.w.SectionButtons()) EXPECT_FALSE(b->Enabled()) << b->Name();

  h.Run("type PacketText <02>\nclick CancelButton\n");
  EXPECT_FALSE(h.w.flags.Any());
  EXPECT_FALSE(h.w.SendFlag);
  EXPECT_TRUE(h.w.PacketText->Locked());
  EXPECT_EQ(h.w.PacketText->Text(), "");
  EXPECT_EQ(h.w.PacketText->MaxLength(), 256) << "Cancel does not restore limits";
  EXPECT_EQ(h.w.StatusText->Text(), "");
  EXPECT_TRUE(h.w.AddressFrame->Visible());
  EXPECT_TRUE(h.w.GroupText->Enabled());
  EXPECT_FALSE(h.w.SernoText->Enabled());
  EXPECT_FALSE(h.w.SendButton->Enabled());
  EXPECT_FALSE(h.w.CntlClear->Visible());
  for (window::Button* b : h.w.SectionButtons()) {
    const bool service = b == h.w.SLIButton || b == h.w.SMBButton || b == h.w.SFDButton;
    EXPECT_TRUE(b->Enabled()) << b->Name();
    EXPECT_EQ(b->Visible(), !service) << b->Name() << ": the service buttons stay hidden";
  }
}

}  // namespace
}  // namespace tvx::testing
