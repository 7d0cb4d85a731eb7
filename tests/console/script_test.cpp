#include <gtest/gtest.h>

#include "protocol/printable_text.h"
#include "tests/support/harness.h"
#include "tests/support/temp_dir.h"

namespace tvx::testing {
namespace {

std::pair<int, std::string> RunRaw(Harness& h, const std::string& script,
                                   std::string* out = nullptr) {
  std::ostringstream o, e;
  std::istringstream in(script);
  console::ScriptInterpreter interpreter(h.w, o);
  const int code = console::RunScript(interpreter, h.clock, in, e);
  if (out) *out = o.str();
  return {code, e.str()};
}

TEST(Script, LinesThatCannotRunStopTheScriptWithStatus2) {
  const std::pair<const char*, const char*> cases[] = {
      {"jump MiscButton", "ERROR: line 2: unknown verb 'jump'\n"},
      {"click NoSuchButton", "ERROR: line 2: unknown control 'NoSuchButton'\n"},
      {"print GroupText Caption", "ERROR: line 2: 'GroupText' has no property 'Caption'\n"},
      {"print SendButton Text", "ERROR: line 2: 'SendButton' has no property 'Text'\n"},
      {"print Timer1", "ERROR: line 2: 'Timer1' has no property 'Caption'\n"},
      {"print Nothing", "ERROR: line 2: unknown control or variable 'Nothing'\n"},
      {"print SendFlag Value", "ERROR: line 2: variable 'SendFlag' has no properties\n"},
      {"wait soon", "ERROR: line 2: 'soon' is not a number of milliseconds\n"},
      {"wait -5", "ERROR: line 2: '-5' is not a number of milliseconds\n"},
      {"wait 1000000000000001",
       "ERROR: line 2: a wait of more than 1000000000000000 ms cannot be timed\n"},
      {"wait 9223372036854775807",
       "ERROR: line 2: a wait of more than 1000000000000000 ms cannot be timed\n"},
      {"key GroupText F13", "ERROR: line 2: unknown key 'F13'\n"},
      {"key GroupText K 8", "ERROR: line 2: shift state must be 0 to 7, not '8'\n"},
      {"caret PacketText x", "ERROR: line 2: 'x' is not a caret position\n"},
      {"caret SendButton 1", "ERROR: line 2: 'SendButton' is not a text box\n"},
      {"type SendButton x", "ERROR: line 2: 'SendButton' is not a text box\n"},
      {"click txtSGUGroup(15)", "ERROR: line 2: unknown control 'txtSGUGroup(15)'\n"},
      // Echoes are short and printable whatever the line holds.
      {"jump\x01\x1b[2J", "ERROR: line 2: unknown verb 'jump<01><1B>[2J'\n"},
      {"print \xff\xfe", "ERROR: line 2: unknown control or variable '\xc3\xbf\xc3\xbe'\n"},
  };
  for (const auto& [line, error] : cases) {
    Harness h;
    const auto [code, err] = RunRaw(h, std::string("# comment\n") + line + "\nclick MiscButton\n");
    EXPECT_EQ(code, 2) << line;
    EXPECT_EQ(err, error) << line;
    EXPECT_FALSE(h.w.flags.MiscFlag) << "nothing after the bad line runs: " << line;
  }
  Harness h;
  const auto [code, err] = RunRaw(h, std::string(1'000'000, 'x') + "\n");
  EXPECT_EQ(code, 2);
  EXPECT_EQ(err, "ERROR: line 1: unknown verb '" + std::string(80, 'x') + "...'\n");
}

// Whatever a script asked for goes out before the run ends, and nothing it cancelled does.
TEST(Script, ASendOnTheLastLineStillGoesOut) {
  const std::string grid =
      "click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick ORM610R6(25)\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"click MiscButton\ntype PacketText <02>END<04>\nclick SendButton", "<02>END<04>"},
      {grid + "click SendButton\n", "<02>0102<1B>AC16R25C1A1P<04>"},
      {"click MiscButton\ntype PacketText X\nclick SendButton\nclick CancelButton\n", ""},
      {"click MiscButton\n", ""},
  };
  for (const auto& [script, sent] : cases) {
    Harness h;
    const auto [code, err] = RunRaw(h, script);
    EXPECT_EQ(code, 0) << err;
    EXPECT_EQ(Shown(h.serial.Bytes()), sent) << script;
  }
}

TEST(Script, PrintShowsEveryKindOfValueOnOneLine) {
  Harness h;
  const std::string out = h.Run(
      "  # indented comment\n"
      "\n"
      "print frmMain\n"
      "print Comm1Option Value\n"
      "print Comm2Option\n"
      "print SendButton Enabled\n"
      "print GroupText MaxLength\n"
      "print PacketText Locked\n"
      "print GroupText BackColor\n"
      "print Timer1 Interval\n"
      "print ACKCheck Value\n"
      "print TCPIP\n"
      "print OldComm\n"
      "print txtSGUGroup(3) Visible\n"
      "print AC2CharLabel2\n"
      "print RemotePortText\n");
  EXPECT_EQ(out,
            "frmMain.Caption=TVXORM, version 1.00\n"
            "Comm1Option.Value=1\n"
            "Comm2Option.Caption=Comm2\n"
            "SendButton.Enabled=False\n"
            "GroupText.MaxLength=2\n"
            "PacketText.Locked=True\n"
            "GroupText.BackColor=255,255,255\n"
            "Timer1.Interval=50\n"
            "ACKCheck.Value=0\n"
            "TCPIP=False\n"
            "OldComm=1\n"
            "txtSGUGroup(3).Visible=True\n"
            "AC2CharLabel2.Caption=The Primary and Secondary colors <0D><0A>pertain only to the "
            "andon cells, not the <0D><0A>characters.\n"
            "RemotePortText.Text=3001\n");
}

TEST(Script, TypeActsAsTheKeyboardWould) {
  Harness h;
  std::string out = h.Run(
      "type GroupText 12345\n"  // the limit applies
      "print GroupText\n"
      "type GroupText\n"  // empties
      "print GroupText\n"
      "type PacketText abc\n"  // disabled in the base state: nothing
      "print PacketText\n"
      "click MiscButton\n"
      "type PacketText  a b  \n"  // blanks kept, the one separator dropped
      "print PacketText\n"
      "type PacketText x\\ny\n"  // \n is a line break
      "print PacketText\n"
      "type PacketText caf\xC3\xA9\xE2\x82\xAC!\n"  // U+20AC cannot be typed
      "print PacketText\n"
      "type UnitText 5\n"  // hidden in Misc: nothing
      "print UnitText\n");
  EXPECT_EQ(out,
            "GroupText.Text=12\n"
            "GroupText.Text=\n"
            "PacketText.Text=\n"
            "PacketText.Text= a b  \n"
            "PacketText.Text=x<0D><0A>y\n"
            "PacketText.Text=caf\xC3\xA9!\n"
            "UnitText.Text=\n");
  EXPECT_EQ(h.w.PacketText->Text(), "caf\xE9!");
  h.Run("click CancelButton\ntype PacketText zzz\n");
  EXPECT_EQ(h.w.PacketText->Text(), "") << "disabled again after Cancel";
}

TEST(Script, ClicksNeedAReachableControlButKeysDoNot) {
  Harness h;
  h.Run("click SendButton\n");  // disabled: no Send
  h.Run("click MiscButton\ntype PacketText A\nclick CancelButton\n");
  EXPECT_FALSE(h.w.flags.MiscFlag);
  h.Run("key CancelButton F2\n");  // disabled, but the key still reaches it
  EXPECT_EQ(h.w.StatusText->Text(), "");
  h.Run("click TIMButton\nclick AW1Button\n");  // never do anything
  EXPECT_FALSE(h.w.flags.Any());
}

TEST(Script, CaretAndEscInThePacketBox) {
  Harness h;
  const std::string out = h.Run(
      "click MiscButton\n"
      "type PacketText <02>0101<04>\n"
      "caret PacketText 8\n"
      "key PacketText Esc\n"
      "print PacketText\n"
      "key PacketText 27\n"
      "print PacketText\n");
  EXPECT_EQ(out,
            "PacketText.Text=<02>0101<1B><04>\n"
            "PacketText.Text=<02>0101<1B><1B><04>\n");
  EXPECT_EQ(h.w.PacketText->Caret(), 16);
}

TEST(Script, GridVerbsNeedGridFilesGiven) {
  Harness h;
  const auto [code, err] = RunRaw(h, "click AndonButton\nsave-grid board.grid\n");
  EXPECT_EQ(code, 2);
  EXPECT_EQ(err, "ERROR: line 2: grid files cannot be saved or loaded here\n");
}

TEST(Script, PrintedValuesTurnControlCharactersIntoTokens) {
  EXPECT_EQ(protocol::PrintableValue(std::string("a\r\nb\x1b\x7f", 6)), "a<0D><0A>b<1B>\x7f");
  EXPECT_EQ(protocol::PrintableValue("\xff"), "\xC3\xBF");
  EXPECT_EQ(protocol::ToConsoleText("\xC3\xBF"), "\xff");
  EXPECT_EQ(protocol::ToConsoleText("\xff\x41"), "\xff\x41") << "not UTF-8: byte by byte";
}

}  // namespace
}  // namespace tvx::testing
