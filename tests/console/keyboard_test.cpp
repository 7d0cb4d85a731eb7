#include <gtest/gtest.h>

#include "tests/support/harness.h"

namespace tvx::testing {
namespace {

struct EditorCase {
  const char* keys;  // script lines after entering Misc and clicking ESCButton
  const char* packet;
};

TEST(Editor, KeysOnAControlCharacterButtonAppendToThePacket) {
  const EditorCase cases[] = {
      {"key ESCButton S\nkey ESCButton V\nkey ESCButton N\n", "<1B>SVN"},
      {"key ESCButton S 1\nkey ESCButton S 7\n", "<1B>SS"},  // letters: any shift state
      {"key ESCButton 3 1\n", "<1B>#"},
      {"key ESCButton 0 1\nkey ESCButton 9 1\nkey ESCButton 1 1\n", "<1B>)(!"},
      {"key ESCButton 3 2\nkey ESCButton 3 5\n", "<1B>33"},  // only Shift alone shifts
      {"key ESCButton ] 1\nkey ESCButton [ 1\n", "<1B>"},    // shifted brackets: nothing
      {"key ESCButton [\nkey ESCButton ] 4\n", "<1B>[]"},
      {"key ESCButton Esc\n", "<1B><1B>"},
      {"key ESCButton 186\nkey ESCButton 32\nkey ESCButton 13\n", "<1B>"},  // no other key
      {"key CntlClear A\n", "<1B>A"},
  };
  for (const auto& c : cases) {
    Harness h;
    h.Run(std::string("click MiscButton\nclick ESCButton\n") + c.keys);
    EXPECT_EQ(h.w.PacketText->Text(), c.packet) << c.keys;
  }
}

TEST(Editor, ButtonsAppendAtTheEndWhateverTheCaretAndIgnoreTheLimit) {
  Harness h;
  h.Run("click MiscButton\ntype PacketText 0101\ncaret PacketText 0\nclick CntlB\n");
  EXPECT_EQ(h.w.PacketText->Text(), "0101<02>");
  h.w.PacketText->SetText(std::string(255, 'x'));
  h.Run("click EOTButton\n");
  EXPECT_EQ(h.w.PacketText->Text().size(), 259u);
  const std::pair<const char*, const char*> buttons[] = {
      {"STXButton", "<02>"}, {"ESCButton", "<1B>"}, {"EOTButton", "<04>"}, {"CntlB", "<02>"},
      {"CntlC", "<03>"},     {"CntlD", "<04>"},     {"CntlE", "<05>"},     {"CntlH", "<08>"},
      {"CntlJ", "<0A>"},     {"CntlL", "<0C>"},     {"CntlM", "<0D>"},     {"CntlP", "<10>"},
      {"CntlR", "<12>"},     {"CntlS", "<13>"},     {"CntlT", "<14>"},     {"CntlLeft", "<1B>"},
      {"CntlColon", ":"},    {"CntlDecimal", "."}};
  for (const auto& [button, text] : buttons) {
    h.Run(std::string("click CntlClear\nclick ") + button + "\n");
    EXPECT_EQ(h.w.PacketText->Text(), text) << button;
  }
  h.Run("click CntlClear\nclick SendButton\nwait 100\n");
  EXPECT_EQ(h.w.StatusText->Text(), "No command input!");
}

TEST(Editor, EscInThePacketBoxInsertsAtTheCaretEvenWhenReadOnly) {
  Harness h;
  h.Run("click MiscButton\ntype PacketText <02>0101<04>\ncaret PacketText 8\nkey PacketText Esc\n");
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0101<1B><04>");
  EXPECT_EQ(h.w.PacketText->Caret(), 12);
  h.Run("click CancelButton\nclick TestButton\n");
  ASSERT_TRUE(h.w.PacketText->Locked());
  h.Run("key PacketText Esc\n");
  EXPECT_EQ(h.w.PacketText->Text(), "<1B>");
}

TEST(Keys, F1AndF2ReachSendAndCancelWhateverTheirButtons) {
  Harness h;
  h.Run("click MiscButton\ntype PacketText AB\nkey PacketText F1\nwait 100\n");
  EXPECT_EQ(h.serial.Bytes(), "AB");
  h.Run("key StatusText F2\n");
  EXPECT_FALSE(h.w.flags.Any());
  EXPECT_FALSE(h.w.CancelButton->Enabled());
  h.w.StatusText->SetText("x");
  h.Run("key StatusText F2\n");  // Cancel while disabled still runs
  EXPECT_EQ(h.w.StatusText->Text(), "");
  // Every kind of key handling passes F1 on: common, editor, F1/F2-only, packet box.
  for (const char* control : {"GroupText", "CntlB", "UnitText", "optSOR(1)", "PacketText",
                              "ORM610R6(25)", "txtSGUUnit(4)"}) {
    Harness k;
    k.Run(std::string("click MiscButton\ntype PacketText Z\nkey ") + control + " F1\nwait 100\n");
    EXPECT_EQ(k.serial.Bytes(), "Z") << control;
  }
  for (const char* control :
       {"RemotePortText", "SLIText", "MRQCRON", "SBSText", "VolumeText", "optSMD(0)"}) {
    Harness k;
    k.Run(std::string("click MiscButton\ntype PacketText Z\nkey ") + control + " F1\nwait 100\n");
    EXPECT_EQ(k.serial.Bytes(), "") << control << " has no key handling";
  }
}

TEST(Keys, CommonServiceToggleOnAltKAlone) {
  Harness h;
  h.Run("key GroupText K 5\nkey GroupText K 6\nkey GroupText K 0\nkey UnitText K 4\n");
  EXPECT_FALSE(h.w.SLIButton->Visible()) << "only Alt alone, and not from the F1/F2-only boxes";
  h.Run("key GroupText K 4\n");
  for (window::Control* c : {h.w.SLIButton, h.w.SMBButton, h.w.SFDButton}) {
    EXPECT_TRUE(c->Visible()) << c->Name();
    EXPECT_TRUE(c->Enabled()) << c->Name();
  }
  h.Run("key GroupText K 4\n");
  for (window::Control* c : {h.w.SLIButton, h.w.SMBButton, h.w.SFDButton}) {
    EXPECT_FALSE(c->Visible()) << c->Name();
    EXPECT_TRUE(c->Enabled()) << c->Name() << " keeps its enabled state";
  }
  // In a section the buttons appear but stay locked.
  h.Run("click TestButton\nkey StatusText K 4\n");
  EXPECT_TRUE(h.w.SLIButton->Visible());
  EXPECT_FALSE(h.w.SLIButton->Enabled());
}

TEST(Keys, EditorServiceToggleAppendsKAndSwitchesSixButtons) {
  Harness h;
  h.Run("click MiscButton\nkey CntlColon K 4\n");
  EXPECT_EQ(h.w.PacketText->Text(), "K");
  for (window::Control* c : {h.w.SLIButton, h.w.SMBButton, h.w.SFDButton, h.w.ModSNButton,
                             h.w.SBTButton, h.w.SACButton}) {
    EXPECT_FALSE(c->Visible()) << c->Name();
  }
  h.Run("key CntlColon K 4\n");
  EXPECT_EQ(h.w.PacketText->Text(), "KK");
  for (window::Control* c : {h.w.SLIButton, h.w.SMBButton, h.w.SFDButton, h.w.ModSNButton,
                             h.w.SBTButton, h.w.SACButton}) {
    EXPECT_TRUE(c->Visible()) << c->Name();
    EXPECT_FALSE(c->Enabled()) << c->Name() << ": Cancel is enabled, so they stay locked";
  }
}

TEST(DoubleClick, EmptiesTheDataBoxesAndNothingElse) {
  Harness h;
  h.Run("type GroupText 12\ndblclick GroupText\n");
  EXPECT_EQ(h.w.GroupText->Text(), "");
  h.Run(
      "click SGUButton\ntype txtSGUGroup(3) 11\ntype txtSGUGroup(4) 22\ndblclick txtSGUGroup(3)\n");
  EXPECT_EQ(h.w.txtSGUGroup(3)->Text(), "");
  EXPECT_EQ(h.w.txtSGUGroup(4)->Text(), "22");
  h.Run("click CancelButton\nclick MiscButton\ntype PacketText AB\ndblclick PacketText\n");
  EXPECT_EQ(h.w.PacketText->Text(), "AB");
  h.w.StatusText->SetText("s");
  h.Run("dblclick StatusText\n");
  EXPECT_EQ(h.w.StatusText->Text(), "s");
  int boxes = 0;
  for (const auto& c : h.w.controls.All())
    boxes += c->Kind() == window::ControlKind::TextBox && static_cast<bool>(c->on_dbl_click);
  EXPECT_EQ(boxes, 24 + 30) << "24 boxes and the 30 elements of the two SGU arrays";
}

}  // namespace
}  // namespace tvx::testing
