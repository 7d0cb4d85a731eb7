#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/support/harness.h"

namespace tvx::testing {
namespace {

struct SectionCase {
  const char* button;
  const char* flag;
  const char* title;
  std::set<std::string> shown;      // data fields shown; "grid" and "pickers" stand for many
  std::vector<const char*> checks;  // print lines and what they print, after entering
};

std::set<std::string> Expand(const std::set<std::string>& names) {
  std::set<std::string> out;
  for (const std::string& n : names) {
    if (n == "pickers") {
      for (const char* p :
           {"ORM610AttLabel", "ORM610AttOFF", "ORM610AttON", "ORM610AttFS", "ORM610AttFF",
            "ORM610PriLabel", "ORM610PriB", "ORM610PriR", "ORM610PriY", "ORM610PriG",
            "ORM610SecLabel", "ORM610SecB", "ORM610SecR", "ORM610SecY", "ORM610SecG"}) {
        out.insert(p);
      }
    } else if (n == "grid") {
      for (int r = 1; r <= 6; ++r) {
        for (int i = 0; i <= 25; ++i)
          out.insert("ORM610R" + std::to_string(r) + "(" + std::to_string(i) + ")");
      }
      for (int i = 1; i <= 25; ++i) out.insert("ORM610C1(" + std::to_string(i) + ")");
      for (const char* p : {"ORM610R0C0(0)", "ORM610ColLabel", "ORM610RowLabel"}) out.insert(p);
    } else if (n == "attributes") {
      for (const char* p : {"NUMAttLabel", "NUMAttOFF", "NUMAttON", "NUMAttFS", "NUMAttFF"})
        out.insert(p);
    } else if (n == "control characters") {
      for (const char* p :
           {"CntlText", "STXButton", "ESCButton", "EOTButton", "CntlB",       "CntlC",    "CntlD",
            "CntlE",    "CntlH",     "CntlJ",     "CntlL",     "CntlM",       "CntlP",    "CntlR",
            "CntlS",    "CntlT",     "CntlLeft",  "CntlColon", "CntlDecimal", "CntlClear"}) {
        out.insert(p);
      }
    } else {
      out.insert(n);
    }
  }
  return out;
}

const char* kSernoHidden[] = {"SernoText.Visible=False", "SernoLabel.Visible=False"};

std::vector<SectionCase> Cases() {
  auto with = [](std::vector<const char*> a, std::vector<const char*> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<const char*> serno_hidden(std::begin(kSernoHidden), std::end(kSernoHidden));
  const std::vector<const char*> serno_enabled = {
      "SernoText.Enabled=True", "SernoLabel.Enabled=True", "SernoText.Visible=True"};
  const std::vector<const char*> fixed_global = {
      "GroupText.Text=00", "UnitText.Text=00", "GroupText.Enabled=False", "UnitText.Enabled=False"};
  const std::vector<const char*> all_hidden = {
      "GroupText.Visible=False",   "GroupLabel.Visible=False", "UnitText.Visible=False",
      "UnitLabel.Visible=False",   "SernoText.Visible=False",  "SernoLabel.Visible=False",
      "AddressFrame.Visible=False"};
  return {
      {"AndonButton",
       "AndonFlag",
       "Andon Cell Commands",
       {"grid", "pickers"},
       with(serno_hidden,
            {"SernoText.Text=00", "ORM610AttON.BackColor=0,255,0", "ORM610PriR.BackColor=255,0,0",
             "ORM610SecB.BackColor=128,128,128", "ORM610AttOFF.BackColor=192,192,192",
             "ORM610R2(7).BackColor=192,192,192", "GroupText.Enabled=True"})},
      {"AndonButton2",
       "Andon2Flag",
       "Andon Cell Commands (AC2)",
       {"pickers", "NumRowText", "NumRowLabel", "NumColText", "NumColLabel", "AC2SubRowText",
        "AC2SubRowLabel", "AC2SubColText", "AC2SubColLabel", "NUMText", "AC2CharLabel",
        "AC2CharLabel2"},
       {"NUMText.Text=", "AC2SubRowText.Text=", "SernoText.Visible=True", "SernoText.Enabled=False",
        "NUMText.MaxLength=4"}},
      {"MrqButton",
       "MRQFlag",
       "Message Marquee Commands",
       {"MRQText", "MRQTextLabel", "MRQFlashLabel", "MRQFlashON", "MRQFlashOFF",
        "MRQAutoCenterLabel", "MRQAutoCenterON", "MRQAutoCenterOFF", "MRQCHLabel", "MRQCHON",
        "MRQCHOFF", "MRQCRLabel", "MRQCRON", "MRQCROFF"},
       with(serno_enabled,
            {"MRQText.Text=", "MRQText.MaxLength=100", "MRQFlashON.BackColor=192,192,192",
             "MRQFlashOFF.BackColor=255,0,0", "MRQAutoCenterON.BackColor=192,192,192",
             "MRQAutoCenterOFF.BackColor=192,192,192", "MRQCHON.BackColor=0,255,0",
             "MRQCHOFF.BackColor=192,192,192", "MRQCRON.BackColor=192,192,192",
             "MRQCROFF.BackColor=255,0,0", "GoodSerno=False"})},
      {"NumButton",
       "NUMFlag",
       "Numeric Display Commands",
       {"NUMText", "NUMLabel", "NumRowText", "NumRowLabel", "NumColText", "NumColLabel",
        "attributes"},
       with(serno_hidden, {"NUMText.MaxLength=4", "NUMText.Text=", "NumRowText.Text=",
                           "NUMAttON.BackColor=0,255,0", "NUMAttOFF.BackColor=192,192,192"})},
      {"TuneButton",
       "TuneFlag",
       "Tune ",
       {"fraTune"},
       with(serno_hidden, {"TUNText.Text=", "PriorityText.Text="})},
      {"Tunebutton2", "TU2Flag", "Tune ", {"fraTune"}, with(serno_hidden, {"SecondsText.Text="})},
      {"VolumeButton",
       "VolumeFlag",
       "Tune Volume",
       {"fraVolume"},
       with(serno_enabled, {"VolumeText.Text=", "ChannelText.Text="})},
      {"SL1Button",
       "SL1Flag",
       "Change the status of a stack light",
       {"NumRowText", "NumRowLabel", "attributes"},
       with(serno_hidden, {"NumRowText.MaxLength=2", "GroupText.Text=", "UnitText.Text=",
                           "GlobalButton.Visible=True", "SL1Button.Enabled=True",
                           "SDMButton.Enabled=False", "NUMAttON.BackColor=0,255,0"})},
      {"SDMButton",
       "SDMFlag",
       "Set Display Mode",
       {"NUMText", "NUMLabel"},
       with(with(fixed_global, all_hidden),
            {"NUMText.MaxLength=3", "SDMButton.Enabled=True", "SL1Button.Enabled=False"})},
      {"MiscButton",
       "MiscFlag",
       "Miscellaneous Commands",
       {"control characters"},
       with(all_hidden,
            {"GlobalButton.Visible=False", "PacketText.Locked=False", "PacketText.MaxLength=256"})},
      {"TestButton", "TestFlag", "Lamp Test ", {}, with(serno_hidden, {"GroupText.Visible=True"})},
      {"ClearButton", "ClearFlag", "Clear ", {}, serno_hidden},
      {"DiagButton", "DiagFlag", "Diagnostics ", {}, serno_hidden},
      {"BootButton",
       "BootFlag",
       "Soft-Boot ",
       {},
       with(serno_enabled, {"GroupText.Visible=False", "GroupLabel.Visible=False",
                            "UnitText.Visible=False", "UnitLabel.Visible=False",
                            "GlobalButton.Visible=False", "AddressFrame.Visible=True"})},
      {"SVNButton",
       "SVNFlag",
       "Software Version Number ",
       {},
       with(all_hidden, {"GlobalButton.Visible=False"})},
      {"ModSNButton", "ModSNFlag", "Modify Serial Number ", {}, serno_enabled},
      {"SGUButton",
       "SGUFlag",
       "Set Group and Unit ",
       {"fraSGU"},
       with(serno_enabled,
            {"GlobalButton.Enabled=False", "GroupText.Enabled=False", "UnitText.Enabled=False",
             "GroupText.Visible=False", "GlobalButton.Visible=False",
             "txtSGUGroup(0).Text=", "txtSGUUnit(14).Text=", "GoodSerno=False"})},
      {"SBTButton",
       "SBTFlag",
       "Set Board Type ",
       {"SBTText", "SBTLabel"},
       with(serno_enabled, {"SBTText.Text="})},
      {"SBSButton",
       "SBSFlag",
       "Set Board Sub-Type ",
       {"SBSText", "SBSLabel"},
       with(serno_enabled, {"SBSText.Text="})},
      {"SLIButton",
       "SLIFlag",
       "Set LED Intensity ",
       {"SLIText", "SLILabel"},
       with(fixed_global,
            {"SernoText.Enabled=False", "SernoLabel.Enabled=False", "SLIText.Text=7"})},
      {"SFDButton",
       "SFDFlag",
       "Set Fader Level ",
       {"SFDText", "SFDLabel"},
       with(with(fixed_global, serno_enabled), {"SFDText.Text=7"})},
      {"SACButton",
       "SACFlag",
       "Set # of Columns ",
       {"NUMText", "NUMLabel"},
       with(serno_enabled,
            {"NUMText.MaxLength=2", "NUMText.Text=", "SernoValStringSend=-1", "SernoVal=-1"})},
      {"SMBButton",
       "SMBFlag",
       "Set Maquee Brightness  ",
       {"fraSMB"},
       with(fixed_global, {"SernoText.Enabled=False", "SMBText1.Text=7"})},
      {"SORButton",
       "SORFlag",
       "Set ORMII flag ",
       {"fraSOR"},
       with(serno_enabled, {"SernoValStringSend=-1"})},
      {"SMDButton",
       "SMDFlag",
       "Set Marquee Detect type ",
       {"fraSMD"},
       with(serno_enabled, {"GoodSerno=False"})},
  };
}

std::set<std::string> VisibleDataFields(const window::FrmMain& w) {
  std::set<std::string> out;
  for (const window::Control* c : w.CommandDataFrame->Children()) {
    if (c->Visible() && c != w.PacketText && c != w.PacketLabel) out.insert(c->Name());
  }
  return out;
}

TEST(Sections, EachSectionShowsItsFieldsTitleHelpAndAddressFields) {
  const auto cases = Cases();
  ASSERT_EQ(cases.size(), 25u);
  for (const auto& c : cases) {
    Harness h;
    // Fields that some sections must leave as they are, and reveal the service buttons.
    h.Run("key GroupText K 4\n");
    for (window::TextBox* b : {h.w.SLIText, h.w.SFDText, h.w.SMBText1}) b->SetText("7");
    h.w.GoodSerno = true;
    h.Run(std::string("click ") + c.button + "\n");
    std::string expected =
        std::string(c.flag) + "=True\nCommandDataFrame.Caption=" + c.title + "\n";
    std::string script = std::string("print ") + c.flag + "\nprint CommandDataFrame\n";
    for (const char* check : c.checks) {
      const std::string line = check;
      const auto eq = line.find('=');
      const auto dot = line.find('.');
      const std::string name = line.substr(0, std::min(dot, eq));
      const std::string prop = dot < eq ? " " + line.substr(dot + 1, eq - dot - 1) : "";
      script += "print " + name + prop + "\n";
      expected += line + "\n";
    }
    EXPECT_EQ(h.Run(script), expected) << c.button;
    EXPECT_EQ(VisibleDataFields(h.w), Expand(c.shown)) << c.button;
    EXPECT_NE(h.w.StatusText->Text().find("'Send'"), std::string::npos) << c.button;
    for (const char* armed :
         {"SendButton", "CancelButton", "F1Label", "F2Label", "PacketText", "PacketLabel"}) {
      EXPECT_TRUE(h.w.controls.Find(armed)->Enabled()) << c.button << " " << armed;
    }
    int flags_set = 0;
    for (const char* f :
         {"AndonFlag", "Andon2Flag", "MRQFlag",  "NUMFlag",  "TuneFlag", "TU2Flag", "MiscFlag",
          "TestFlag",  "ClearFlag",  "DiagFlag", "BootFlag", "SBTFlag",  "SBSFlag", "ModSNFlag",
          "SGUFlag",   "SVNFlag",    "SLIFlag",  "SFDFlag",  "SACFlag",  "SMBFlag", "SORFlag",
          "SMDFlag",   "VolumeFlag", "SL1Flag",  "SDMFlag"}) {
      flags_set += *std::get<bool*>(*h.w.controls.FindVariable(f));
    }
    EXPECT_EQ(flags_set, 1) << c.button;
    // Only Cancel leads out, and it leads back to the base state.
    h.Run("click CancelButton\n");
    EXPECT_FALSE(h.w.flags.Any()) << c.button;
    EXPECT_TRUE(VisibleDataFields(h.w).empty()) << c.button;
    EXPECT_TRUE(h.w.AddressFrame->Visible() && h.w.GroupText->Visible() &&
                h.w.SernoText->Visible());
    EXPECT_TRUE(h.w.GroupText->Enabled() && h.w.UnitText->Enabled() && h.w.GlobalButton->Enabled());
    EXPECT_FALSE(h.w.SernoText->Enabled());
    for (window::Button* b : h.w.SectionButtons()) EXPECT_TRUE(b->Enabled()) << b->Name();
  }
}

TEST(Sections, OnlyStackLightAndDisplayModeCanBeEnteredAgain) {
  Harness h;
  h.Run("click SL1Button\ntype NumRowText 3\nclick NumButton\nclick SL1Button\n");
  EXPECT_EQ(h.w.NumRowText->Text(), "") << "re-entering repeats the entry steps";
  EXPECT_FALSE(h.w.flags.NUMFlag);
  h.Run("click CancelButton\nclick SDMButton\ntype NUMText 7\nclick SDMButton\n");
  EXPECT_EQ(h.w.NUMText->Text(), "");
}

TEST(Sections, CancelKeepsWhatSectionsChangedButDoesNotStopTheTimer) {
  Harness h;
  h.Run("click AndonButton\nclick CancelButton\n");
  EXPECT_EQ(h.w.SernoText->Text(), "00");
  h.Run("click SDMButton\nclick CancelButton\n");
  EXPECT_TRUE(h.w.AddressFrame->Visible());
  EXPECT_TRUE(h.w.GroupText->Enabled());
  EXPECT_EQ(h.w.GroupText->Text(), "00");
  EXPECT_EQ(h.w.NUMText->MaxLength(), 3);
  h.Run("click MiscButton\ntype PacketText A\nclick SendButton\nclick CancelButton\n");
  EXPECT_TRUE(h.w.Timer1->Enabled());
  h.Advance(100);
  EXPECT_TRUE(h.serial.pieces.empty()) << "the flags are gone, so the tick sends nothing";
}

TEST(Sections, GlobalSetsTheGlobalAddressOnly) {
  Harness h;
  h.Run("click AndonButton\ntype SernoText 123\nclick GlobalButton\n");
  EXPECT_EQ(h.w.GroupText->Text(), "00");
  EXPECT_EQ(h.w.UnitText->Text(), "00");
  EXPECT_EQ(h.w.SernoText->Text(), "00");
}

// The window's handlers capture the console: they go with it.
TEST(Console, UnwiresTheWindowWhenItGoes) {
  FakeSerial serial;
  FakeSocket socket;
  window::FrmMain w(serial, socket);
  {
    console::Console console(w);
    EXPECT_TRUE(w.SendButton->on_click);
    EXPECT_TRUE(w.Timer1->on_tick);
  }
  for (const auto& c : w.controls.All()) {
    EXPECT_FALSE(c->on_click) << c->Name();
    EXPECT_FALSE(c->on_key_down) << c->Name();
    EXPECT_FALSE(c->on_dbl_click) << c->Name();
  }
  EXPECT_FALSE(w.Timer1->on_tick);
  EXPECT_FALSE(w.Timer1->idle);
}

}  // namespace
}  // namespace tvx::testing
