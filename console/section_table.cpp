#include "console/section_table.h"

#include "console/section_texts.h"
#include "console/serial_number.h"

namespace tvx::console {

using window::CommandFlags;
using window::Control;
using Controls = std::initializer_list<Control*>;
namespace st = section_texts;

namespace {

void Show(Controls controls) {
  for (Control* c : controls) c->SetVisible(true);
}
void Hide(Controls controls) {
  for (Control* c : controls) c->SetVisible(false);
}
void Empty(std::initializer_list<window::TextBox*> boxes) {
  for (window::TextBox* b : boxes) b->SetText("");
}

// Address-field changes shared by several sections.
struct Address {
  window::FrmMain& w;
  void SernoHidden() const { Hide({w.SernoText, w.SernoLabel}); }
  void SernoEnabled() const {
    w.SernoText->SetEnabled(true);
    w.SernoLabel->SetEnabled(true);
  }
  void SernoDisabled() const {
    w.SernoText->SetEnabled(false);
    w.SernoLabel->SetEnabled(false);
  }
  void GlobalAddressFixed() const {
    for (window::TextBox* b : {w.GroupText, w.UnitText}) {
      b->SetText("00");
      b->SetEnabled(false);
    }
  }
  void GroupUnitHidden() const {
    Hide({w.GroupText, w.GroupLabel, w.UnitText, w.UnitLabel, w.GlobalButton});
  }
  void AllHidden() const {
    GroupUnitHidden();
    Hide({w.SernoText, w.SernoLabel, w.AddressFrame});
  }
};

void SelectAttributeOn(window::FrmMain& w) {
  for (Control* c : Controls{w.NUMAttOFF, w.NUMAttFS, w.NUMAttFF})
    c->SetBackColor(window::kLightGrey);
  w.NUMAttON->SetBackColor(window::kGreen);
}

void ShowAttributes(window::FrmMain& w) {
  Show({w.NUMAttLabel, w.NUMAttOFF, w.NUMAttON, w.NUMAttFS, w.NUMAttFF});
  SelectAttributeOn(w);
}

void MarqueeDefaults(window::FrmMain& w) {
  using window::kGreen, window::kLightGrey, window::kRed;
  w.MRQFlashON->SetBackColor(kLightGrey);
  w.MRQFlashOFF->SetBackColor(kRed);
  w.MRQAutoCenterON->SetBackColor(kLightGrey);
  w.MRQAutoCenterOFF->SetBackColor(kLightGrey);
  w.MRQCHON->SetBackColor(kGreen);
  w.MRQCHOFF->SetBackColor(kLightGrey);
  w.MRQCRON->SetBackColor(kLightGrey);
  w.MRQCROFF->SetBackColor(kRed);
}

// The number box that NUM, SDM and SAC share, with its limit in that section.
void ShowNumber(window::FrmMain& w, int max_length, const char* label) {
  w.NUMText->SetText("");
  w.NUMText->SetMaxLength(max_length);
  w.NUMLabel->SetCaption(label);
  Show({w.NUMText, w.NUMLabel});
}

}  // namespace

void AddSections(Sections& s, window::FrmMain& w, andon::AndonGrid& grid) {
  const Address a{w};
  auto none = [] {};

  s.Add({w.AndonButton, &CommandFlags::AndonFlag, st::kAC1.title, st::kAC1.help,
         [&grid] { grid.ShowGrid(); },
         [&w, a] {
           a.SernoHidden();
           w.SernoText->SetText("00");
         }});
  s.Add({w.AndonButton2, &CommandFlags::Andon2Flag, st::kAC2.title, st::kAC2.help,
         [&w, &grid] {
           grid.ShowPickers();
           Empty({w.AC2SubRowText, w.AC2SubColText, w.NUMText, w.NumRowText, w.NumColText});
           Show({w.NumRowText, w.NumRowLabel, w.NumColText, w.NumColLabel, w.AC2SubRowText,
                 w.AC2SubRowLabel, w.AC2SubColText, w.AC2SubColLabel, w.NUMText, w.AC2CharLabel,
                 w.AC2CharLabel2});
         },
         none});
  s.Add({w.MrqButton, &CommandFlags::MRQFlag, st::kMRQ.title, st::kMRQ.help,
         [&w] {
           Empty({w.MRQText});
           Show({w.MRQText, w.MRQTextLabel, w.MRQFlashLabel, w.MRQFlashON, w.MRQFlashOFF,
                 w.MRQAutoCenterLabel, w.MRQAutoCenterON, w.MRQAutoCenterOFF, w.MRQCHLabel,
                 w.MRQCHON, w.MRQCHOFF, w.MRQCRLabel, w.MRQCRON, w.MRQCROFF});
           MarqueeDefaults(w);
           w.GoodSerno = false;
         },
         // The auto-centre packet is addressed by serial number, so its box must be usable.
         [a] { a.SernoEnabled(); }});
  s.Add({w.NumButton, &CommandFlags::NUMFlag, st::kNUM.title, st::kNUM.help,
         [&w] {
           ShowNumber(w, 4, "Number");
           Empty({w.NumRowText, w.NumColText});
           Show({w.NumRowText, w.NumRowLabel, w.NumColText, w.NumColLabel});
           ShowAttributes(w);
         },
         [a] { a.SernoHidden(); }});
  auto tune_fields = [&w] {
    Empty({w.TUNText, w.SecondsText, w.RepeatText, w.DurationText, w.PriorityText});
    Show({w.fraTune});
  };
  s.Add({w.TuneButton, &CommandFlags::TuneFlag, st::kTU1.title, st::kTU1.help, tune_fields,
         [a] { a.SernoHidden(); }});
  s.Add({w.Tunebutton2, &CommandFlags::TU2Flag, st::kTU2.title, st::kTU2.help, tune_fields,
         [a] { a.SernoHidden(); }});
  s.Add({w.VolumeButton, &CommandFlags::VolumeFlag, st::kVL1.title, st::kVL1.help,
         [&w] {
           Empty({w.VolumeText, w.ChannelText});
           Show({w.fraVolume});
         },
         [a] { a.SernoEnabled(); }});
  s.Add({w.SL1Button, &CommandFlags::SL1Flag, st::kSL1.title, st::kSL1.help,
         [&w] {
           Empty({w.NumRowText});
           w.NumRowText->SetMaxLength(2);
           Show({w.NumRowText, w.NumRowLabel});
           ShowAttributes(w);
           w.SL1Button->SetEnabled(true);
         },
         [&w, a] {
           Empty({w.GroupText, w.UnitText});
           Show({w.GroupText, w.UnitText, w.GlobalButton});
           a.SernoHidden();
         }});
  s.Add({w.SDMButton, &CommandFlags::SDMFlag, st::kSDM.title, st::kSDM.help,
         [&w] {
           ShowNumber(w, 3, "Template");
           w.SDMButton->SetEnabled(true);
         },
         [a] {
           a.GlobalAddressFixed();
           a.AllHidden();
         }});
  s.Add({w.MiscButton, &CommandFlags::MiscFlag, st::kMisc.title, st::kMisc.help,
         [&w] {
           Show({w.CntlText, w.STXButton, w.ESCButton, w.EOTButton,   w.CntlB,
                 w.CntlC,    w.CntlD,     w.CntlE,     w.CntlH,       w.CntlJ,
                 w.CntlL,    w.CntlM,     w.CntlP,     w.CntlR,       w.CntlS,
                 w.CntlT,    w.CntlLeft,  w.CntlColon, w.CntlDecimal, w.CntlClear});
           w.PacketText->SetText("");
           w.PacketText->SetLocked(false);
           w.PacketText->SetMaxLength(256);
           w.PacketString.clear();
         },
         [a] { a.AllHidden(); }});
  s.Add({w.TestButton, &CommandFlags::TestFlag, st::kTest.title, st::kTest.help, none,
         [a] { a.SernoHidden(); }});
  s.Add({w.ClearButton, &CommandFlags::ClearFlag, st::kClear.title, st::kClear.help, none,
         [a] { a.SernoHidden(); }});
  s.Add({w.DiagButton, &CommandFlags::DiagFlag, st::kDiag.title, st::kDiag.help, none,
         [a] { a.SernoHidden(); }});
  s.Add({w.BootButton, &CommandFlags::BootFlag, st::kBoot.title, st::kBoot.help, none, [a] {
           a.SernoEnabled();
           a.GroupUnitHidden();
         }});
  s.Add({w.SVNButton, &CommandFlags::SVNFlag, st::kSVN.title, st::kSVN.help, none,
         [a] { a.AllHidden(); }});
  s.Add({w.ModSNButton, &CommandFlags::ModSNFlag, st::kModSN.title, st::kModSN.help, none,
         [a] { a.SernoEnabled(); }});
  s.Add({w.SGUButton, &CommandFlags::SGUFlag, st::kSGU.title, st::kSGU.help,
         [&w] {
           for (window::TextBox* b : w.txtSGUGroup) b->SetText("");
           for (window::TextBox* b : w.txtSGUUnit) b->SetText("");
           Show({w.fraSGU});
           w.GoodSerno = false;
         },
         [&w, a] {
           for (Control* c : Controls{w.GlobalButton, w.GroupText, w.UnitText})
             c->SetEnabled(false);
           a.SernoEnabled();
           a.GroupUnitHidden();
         }});
  s.Add({w.SBTButton, &CommandFlags::SBTFlag, st::kSBT.title, st::kSBT.help,
         [&w] {
           Empty({w.SBTText});
           Show({w.SBTText, w.SBTLabel});
         },
         [a] { a.SernoEnabled(); }});
  s.Add({w.SBSButton, &CommandFlags::SBSFlag, st::kSBS.title, st::kSBS.help,
         [&w] {
           Empty({w.SBSText});
           Show({w.SBSText, w.SBSLabel});
         },
         [a] { a.SernoEnabled(); }});
  s.Add({w.SLIButton, &CommandFlags::SLIFlag, st::kSLI.title, st::kSLI.help,
         [&w] {
           Show({w.SLIText, w.SLILabel});
         },
         [a] {
           a.GlobalAddressFixed();
           a.SernoDisabled();
         }});
  s.Add({w.SFDButton, &CommandFlags::SFDFlag, st::kSFD.title, st::kSFD.help,
         [&w] {
           Show({w.SFDText, w.SFDLabel});
         },
         [a] {
           a.GlobalAddressFixed();
           a.SernoEnabled();
         }});
  s.Add({w.SACButton, &CommandFlags::SACFlag, st::kSAC.title, st::kSAC.help,
         [&w] {
           ShowNumber(w, 2, "Columns");
           ResetSerialState(w);
         },
         [a] { a.SernoEnabled(); }});
  s.Add({w.SMBButton, &CommandFlags::SMBFlag, st::kSMB.title, st::kSMB.help,
         [&w] { Show({w.fraSMB}); },
         [a] {
           a.GlobalAddressFixed();
           a.SernoDisabled();
         }});
  s.Add({w.SORButton, &CommandFlags::SORFlag, st::kSOR.title, st::kSOR.help,
         [&w] {
           Show({w.fraSOR});
           ResetSerialState(w);
         },
         [a] { a.SernoEnabled(); }});
  s.Add({w.SMDButton, &CommandFlags::SMDFlag, st::kSMD.title, st::kSMD.help,
         [&w] {
           Show({w.fraSMD});
           ResetSerialState(w);
         },
         [a] { a.SernoEnabled(); }});
}

}  // namespace tvx::console
