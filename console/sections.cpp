#include "console/sections.h"

namespace tvx::console {

using window::Control;
using Controls = std::initializer_list<Control*>;

Sections::Sections(window::FrmMain& w) : w_(w) {
  w_.CancelButton->on_click = [this] { Cancel(); };
  w_.GlobalButton->on_click = [this] {
    w_.GroupText->SetText("00");
    w_.UnitText->SetText("00");
  };
}

void Sections::Add(Section section) {
  sections_.push_back(std::move(section));
  const Section* s = &sections_.back();
  s->button->on_click = [this, s] { Enter(*s); };
}

void Sections::Enter(const Section& s) {
  w_.flags.*(s.flag) = true;
  HideAllDataFields();
  for (window::Button* b : w_.SectionButtons()) b->SetEnabled(false);
  if (s.show_fields) s.show_fields();
  for (Control* c : Controls{w_.SendButton, w_.F1Label, w_.F2Label, w_.CancelButton, w_.PacketText,
                             w_.PacketLabel}) {
    c->SetEnabled(true);
  }
  w_.CommandDataFrame->SetCaption(s.title);
  w_.StatusText->SetText(s.help);
  if (s.address_fields) s.address_fields();
}

void Sections::ResetFlags() {
  w_.flags.Clear();
  w_.SendFlag = false;
  w_.TCPIP = false;
}

void Sections::DisableSendControls() {
  for (Control* c : Controls{w_.SendButton, w_.F1Label, w_.CancelButton, w_.F2Label, w_.PacketText,
                             w_.PacketLabel, w_.SernoText, w_.SernoLabel, w_.SFDButton,
                             w_.SMBButton, w_.SLIButton}) {
    c->SetEnabled(false);
  }
}

void Sections::Cancel() {
  ResetFlags();
  HideAllDataFields();
  DisableSendControls();
  for (window::Button* b : w_.SectionButtons()) b->SetEnabled(true);
  w_.CommandDataFrame->SetCaption("");
  w_.StatusText->SetText("");
  w_.PacketText->SetText("");
  w_.SernoText->SetEnabled(false);
  w_.SernoLabel->SetEnabled(false);
  w_.GroupText->SetEnabled(true);
  w_.UnitText->SetEnabled(true);
  w_.GlobalButton->SetEnabled(true);
  w_.PacketText->SetLocked(true);
  for (Control* c : Controls{w_.GroupText, w_.GroupLabel, w_.UnitText, w_.UnitLabel, w_.SernoText,
                             w_.SernoLabel, w_.GlobalButton, w_.AddressFrame}) {
    c->SetVisible(true);
  }
}

void Sections::HideAllDataFields() {
  window::FrmMain& w = w_;
  std::vector<Control*> hide = {
      w.NumRowText, w.NumColText, w.NUMText, w.AC2SubRowText, w.AC2SubColText, w.NUMLabel,
      w.NumRowLabel, w.NumColLabel, w.AC2SubRowLabel, w.AC2SubColLabel, w.AC2CharLabel,
      w.AC2CharLabel2, w.MRQText, w.MRQTextLabel, w.MRQFlashLabel, w.MRQFlashON, w.MRQFlashOFF,
      w.MRQAutoCenterLabel, w.MRQAutoCenterON, w.MRQAutoCenterOFF, w.MRQCHLabel, w.MRQCHON,
      w.MRQCHOFF, w.MRQCRLabel, w.MRQCRON, w.MRQCROFF, w.NUMAttLabel, w.NUMAttOFF, w.NUMAttON,
      w.NUMAttFS, w.NUMAttFF, w.fraTune, w.CntlText, w.STXButton, w.ESCButton, w.EOTButton, w.CntlB,
      w.CntlC, w.CntlD, w.CntlE, w.CntlH, w.CntlJ, w.CntlL, w.CntlM, w.CntlP, w.CntlR, w.CntlS,
      w.CntlT, w.CntlLeft, w.CntlColon, w.CntlDecimal, w.CntlClear, w.SBTText, w.SBTLabel,
      w.SBSText, w.SBSLabel, w.SFDText, w.SFDLabel, w.SLIText, w.SLILabel, w.fraSGU, w.fraSMB,
      w.fraSOR, w.fraSMD, w.fraVolume,
      // The andon grid and its pickers.
      w.ORM610ColLabel, w.ORM610RowLabel, w.ORM610AttLabel, w.ORM610AttOFF, w.ORM610AttON,
      w.ORM610AttFS, w.ORM610AttFF, w.ORM610PriLabel, w.ORM610PriB, w.ORM610PriR, w.ORM610PriY,
      w.ORM610PriG, w.ORM610SecLabel, w.ORM610SecB, w.ORM610SecR, w.ORM610SecY, w.ORM610SecG};
  for (int n = 1; n <= 6; ++n) {
    for (Control* c : w.AndonRow(n)) hide.push_back(c);
  }
  for (Control* c : w.ORM610C1) hide.push_back(c);
  for (Control* c : w.ORM610R0C0) hide.push_back(c);
  for (Control* c : hide) c->SetVisible(false);
}

}  // namespace tvx::console
