#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <vector>

#include "protocol/display.h"
#include "protocol/token_conversion.h"
#include "tests/app/e2e_support.h"

// Every command from a console script of the real program, over a pty and over loopback TCP,
// with the bytes checked on the far side.
namespace tvx::e2e {
namespace {

struct Command {
  const char* name;
  std::string script;    // enters the section, fills it in, sends and waits
  std::string expected;  // the bytes on the wire, in token text
};

const std::string kSend = "click SendButton\nwait 200\nclick CancelButton\n";

std::vector<Command> DisplayCommands() {
  return {
      {"MRQ",
       "click MrqButton\ntype GroupText 1\ntype UnitText 5\ntype MRQText HELLO\n"
       "click MRQAutoCenterON\ntype SernoText 12\nclick MRQFlashON\n" +
           kSend,
       "<02>0000<1B>SSN00012<1B>SMC1C<04><02>0105<0C><10>HELLO<04>"},
      {"SDM", "click SDMButton\ntype NUMText 007\n" + kSend, "<02>0000<1B>SDM007M<04>"},
      {"NUM",
       "click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n"
       "type NumRowText 1\ntype NumColText 3\nclick NUMAttFS\n" +
           kSend,
       "<02>0102<1B>NUM1R3C1234N2A<04>"},
      {"SL1",
       "click SL1Button\ntype GroupText 01\ntype UnitText 02\ntype NumRowText 3\n"
       "click NUMAttOFF\n" +
           kSend,
       "<02>0102<1B>SL13R0A<04>"},
      {"TU1",
       "click TuneButton\ntype GroupText 1\ntype UnitText 2\ntype TUNText 5\n"
       "type SecondsText 10\n" +
           kSend,
       "<02>0102<1B>TU15T10S<04>"},
      {"TU2",
       "click Tunebutton2\ntype GroupText 1\ntype UnitText 2\ntype TUNText 7\n"
       "type PriorityText 2\n" +
           kSend,
       "<02>0102<1B>TU27T2P<04>"},
      {"SVN", "click SVNButton\n" + kSend, "<02>0000<1B>SVN<04>"},
      {"Test", "click TestButton\nclick GlobalButton\n" + kSend, "<02>0000<1B>1<04>"},
      {"Clear", "click ClearButton\ntype GroupText 3\ntype UnitText 12\n" + kSend,
       "<02>0312<1B>3<04>"},
      {"Diag", "click DiagButton\ntype GroupText 3\ntype UnitText 12\n" + kSend,
       "<02>0312<1B>2<04>"},
      {"Boot", "click BootButton\n" + kSend, "<02>0000<1B>0<04>"},
  };
}

std::vector<Command> ConfigCommands() {
  const std::string zeros = "00000000000000000000000000000000000000000000000000000000";
  return {
      {"SS#", "key GroupText K 4\nclick ModSNButton\ntype SernoText 42\n" + kSend,
       "<02>0000<1B>SSNZYXWV<1B>SS#00042<04>"},
      {"SGU",
       "click SGUButton\ntype SernoText 12345\ntype txtSGUGroup(0) 1\ntype txtSGUUnit(0) 2\n" +
           kSend,
       "<02>0000<1B>SSN12345<1B>SGU0102" + zeros + "<04>"},
      {"SBT", "click SBTButton\ntype SernoText 1\ntype SBTText 007\n" + kSend,
       "<02>0000<1B>SSN00001<1B>SBT007<04>"},
      {"SBS", "click SBSButton\ntype SBSText 12\n" + kSend, "<02>0000<1B>SSN00001<1B>SBS12<04>"},
      {"SLI", "click SLIButton\ntype SLIText 5\n" + kSend, "<02>0000<1B>SSNZYXWV<1B>SLI5I<04>"},
      {"SFD", "click SFDButton\ntype SFDText 10\n" + kSend, "<02>0000<1B>SSN00001<1B>SFD10<04>"},
      {"SAC", "click SACButton\ntype NUMText 12\n" + kSend, "<02>0000<1B>SSN00001<1B>SAC12C<04>"},
      {"SMB", "click SMBButton\ntype SMBText1 07\ntype SMBText2 3\n" + kSend,
       "<02>0000<1B>SSNZYXWV<1B>SMB07R3L<04>"},
      {"SOR", "click SORButton\ntype SernoText 42\nclick optSOR(1)\n" + kSend,
       "<02>0000<1B>SSN00042<1B>SOR1<04>"},
      {"SMD", "click SMDButton\nclick optSMD(0)\n" + kSend, "<02>0000<1B>SSN00042<1B>SMD0<04>"},
      {"VL1",
       "click VolumeButton\ntype GroupText 1\ntype UnitText 2\ntype SernoText 7\n"
       "type VolumeText 10\ntype ChannelText 3\n" +
           kSend,
       "<02>0102<1B>SSN7<1B>VL110V3C<04>"},
  };
}

std::vector<Command> AndonCommands() {
  return {
      {"AC1",
       "click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick ORM610R1(2)\n"
       "click ORM610AttFS\nclick ORM610SecY\nclick ORM610R3(12)\nclick ORM610AttOFF\n"
       // The script ends with the grid still going out: the run lets it finish.
       "click ORM610R6(25)\nclick SendButton\n",
       "<02>0102<1B>AC11R2C1A1P<04><02>0102<1B>AC13R12C2A1P2S<04><02>0102<1B>AC16R25C0A<04>"},
      {"AC2",
       "click AndonButton2\ntype GroupText 1\ntype UnitText 2\ntype NumRowText 3\n"
       "type NumColText 12\ntype AC2SubRowText 1\ntype AC2SubColText 2\n" +
           kSend,
       "<02>0102<1B>AC23.1R12.2C1A1P0S<04>"},
  };
}

void CheckOverBothLinks(const std::vector<Command>& commands) {
  std::string script, expected;
  for (const Command& c : commands) {
    script += c.script;
    expected += c.expected;
  }
  {
    Pty pty;
    const ConsoleRun run = RunConsole(script, Comm(pty.Path()));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(protocol::DisplayForm(pty.Drain()), expected) << "serial";
  }
  // The same commands one by one, so a mismatch names its command.
  Listener listener;
  Pty unused;
  std::string tcp_script = ConnectTcp(listener.Port());
  for (const Command& c : commands) tcp_script += c.script + "print StatusText\n";
  const ConsoleRun run = RunConsole(tcp_script, Comm(unused.Path()));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(protocol::DisplayForm(listener.received), expected) << "tcp\n" << run.out;
  EXPECT_EQ(unused.Drain(), "") << "nothing on the serial port while TCP is connected";
}

TEST(Commands, DisplayAndMaintenanceCommandsReachBothLinks) {
  CheckOverBothLinks(DisplayCommands());
}

TEST(Commands, ConfigurationAndSettingCommandsReachBothLinks) {
  CheckOverBothLinks(ConfigCommands());
}

TEST(Commands, AndonCommandsReachBothLinks) {
  for (const Command& c : AndonCommands()) CheckOverBothLinks({c});
}

}  // namespace
}  // namespace tvx::e2e
