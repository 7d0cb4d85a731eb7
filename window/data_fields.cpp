#include "window/main_window.h"

// The section data fields and the andon grid: many controls, little logic.
namespace tvx::window {

namespace {
Button* AddButton(Registry& r, Control* in, const char* name, const char* caption,
                  Color back = kWindowFace) {
  Button* b = r.Add<Button>(in, name, ControlKind::Button, caption);
  b->SetBackColor(back);
  return b;
}
Label* AddLabel(Registry& r, Control* in, const char* name, const char* caption) {
  return r.Add<Label>(in, name, ControlKind::Label, caption);
}
TextBox* AddText(Registry& r, Control* in, const char* name, int max_length) {
  return r.Add<TextBox>(in, name, max_length);
}
}  // namespace

void FrmMain::BuildDataFields() {
  Registry& r = controls;
  Control* d = CommandDataFrame;
  NUMLabel = AddLabel(r, d, "NUMLabel", "Number");
  NUMText = AddText(r, d, "NUMText", 4);
  NumRowLabel = AddLabel(r, d, "NumRowLabel", "Row");
  NumRowText = AddText(r, d, "NumRowText", 2);
  NumColLabel = AddLabel(r, d, "NumColLabel", "Col");
  NumColText = AddText(r, d, "NumColText", 2);
  AC2SubRowLabel = AddLabel(r, d, "AC2SubRowLabel", "Sub-Row");
  AC2SubRowText = AddText(r, d, "AC2SubRowText", 2);
  AC2SubColLabel = AddLabel(r, d, "AC2SubColLabel", "Sub-Col");
  AC2SubColText = AddText(r, d, "AC2SubColText", 2);
  AC2CharLabel = AddLabel(r, d, "AC2CharLabel", "Optional Characters:");
  AC2CharLabel2 = AddLabel(r, d, "AC2CharLabel2",
                           "The Primary and Secondary colors \r\npertain only to the andon cells, "
                           "not the \r\ncharacters.");
  NUMAttLabel = AddLabel(r, d, "NUMAttLabel", "Att");
  NUMAttOFF = AddButton(r, d, "NUMAttOFF", "OFF", kLightGrey);
  NUMAttON = AddButton(r, d, "NUMAttON", "ON", kLightGrey);
  NUMAttFS = AddButton(r, d, "NUMAttFS", "FS", kLightGrey);
  NUMAttFF = AddButton(r, d, "NUMAttFF", "FF", kLightGrey);

  MRQTextLabel = AddLabel(r, d, "MRQTextLabel", "Message");
  MRQText = AddText(r, d, "MRQText", 100);
  MRQFlashLabel = AddLabel(r, d, "MRQFlashLabel", "Flash");
  MRQFlashON = AddButton(r, d, "MRQFlashON", "ON", kLightGrey);
  MRQFlashOFF = AddButton(r, d, "MRQFlashOFF", "OFF", kLightGrey);
  MRQAutoCenterLabel = AddLabel(r, d, "MRQAutoCenterLabel", "Auto-Center");
  MRQAutoCenterON = AddButton(r, d, "MRQAutoCenterON", "ON", kLightGrey);
  MRQAutoCenterOFF = AddButton(r, d, "MRQAutoCenterOFF", "OFF", kLightGrey);
  MRQCHLabel = AddLabel(r, d, "MRQCHLabel", "Clear & Home");
  MRQCHON = AddButton(r, d, "MRQCHON", "ON", kLightGrey);
  MRQCHOFF = AddButton(r, d, "MRQCHOFF", "OFF", kLightGrey);
  MRQCRLabel = AddLabel(r, d, "MRQCRLabel", "Carriage Return");
  MRQCRON = AddButton(r, d, "MRQCRON", "ON", kLightGrey);
  MRQCROFF = AddButton(r, d, "MRQCROFF", "OFF", kLightGrey);

  fraTune = r.Add<Frame>(d, "fraTune", ControlKind::Frame, "Tune");
  TUNLabel = AddLabel(r, fraTune, "TUNLabel", "Tune Number");
  TUNText = AddText(r, fraTune, "TUNText", 3);
  SecondsLabel = AddLabel(r, fraTune, "SecondsLabel", "Seconds");
  SecondsText = AddText(r, fraTune, "SecondsText", 3);
  RepeatLabel = AddLabel(r, fraTune, "RepeatLabel", "Repeat");
  RepeatText = AddText(r, fraTune, "RepeatText", 2);
  DurationLabel = AddLabel(r, fraTune, "DurationLabel", "Duration");
  DurationText = AddText(r, fraTune, "DurationText", 3);
  PriorityLabel = AddLabel(r, fraTune, "PriorityLabel", "Priority");
  PriorityText = AddText(r, fraTune, "PriorityText", 1);

  fraVolume = r.Add<Frame>(d, "fraVolume", ControlKind::Frame, "Tune Volume");
  VolumeLabel = AddLabel(r, fraVolume, "VolumeLabel", "Volume");
  VolumeText = AddText(r, fraVolume, "VolumeText", 3);
  ChannelLabel = AddLabel(r, fraVolume, "ChannelLabel", "Channel");
  ChannelText = AddText(r, fraVolume, "ChannelText", 1);

  SBTLabel = AddLabel(r, d, "SBTLabel", "Board Type");
  SBTText = AddText(r, d, "SBTText", 3);
  SBSLabel = AddLabel(r, d, "SBSLabel", "Sub-Board Type");
  SBSText = AddText(r, d, "SBSText", 0);
  SLILabel = AddLabel(r, d, "SLILabel", "01-18");
  SLIText = AddText(r, d, "SLIText", 2);
  SFDLabel = AddLabel(r, d, "SFDLabel", "0 - 99");
  SFDText = AddText(r, d, "SFDText", 2);

  fraSMB = r.Add<Frame>(d, "fraSMB", ControlKind::Frame, "Brightness");
  SMBLabel1 = AddLabel(r, fraSMB, "SMBLabel1", "R-");
  SMBText1 = AddText(r, fraSMB, "SMBText1", 2);
  SMBLabel2 = AddLabel(r, fraSMB, "SMBLabel2", "L-");
  SMBText2 = AddText(r, fraSMB, "SMBText2", 2);

  fraSGU = r.Add<Frame>(d, "fraSGU", ControlKind::Frame, "Device Sets");
  lblSGUGroup = AddLabel(r, fraSGU, "lblSGUGroup", "Group");
  lblSGUUnit = AddLabel(r, fraSGU, "lblSGUUnit", "Unit");
  r.AddArray(txtSGUGroup, fraSGU, "txtSGUGroup", 15, 2);
  r.AddArray(txtSGUUnit, fraSGU, "txtSGUUnit", 15, 2);

  fraSOR = r.Add<Frame>(d, "fraSOR", ControlKind::Frame, "Series");
  optSOR.Append(r.Add<OptionButton>(fraSOR, "optSOR(0)", "610"));
  optSOR.Append(r.Add<OptionButton>(fraSOR, "optSOR(1)", "614 (with programmable andon cells)"));
  fraSMD = r.Add<Frame>(d, "fraSMD", ControlKind::Frame, "Marquee Detect");
  optSMD.Append(r.Add<OptionButton>(fraSMD, "optSMD(0)", "0, force to MX-7310-001/MX-7320-001"));
  optSMD.Append(r.Add<OptionButton>(fraSMD, "optSMD(1)", "1, force to MX-7310-003/MX-7320-002"));
  optSMD.Append(r.Add<OptionButton>(fraSMD, "optSMD(2)", "2, auto-detect"));
}

void FrmMain::BuildAndon() {
  Registry& r = controls;
  Control* d = CommandDataFrame;
  ControlArray<Button>* rows[] = {&ORM610R1, &ORM610R2, &ORM610R3,
                                  &ORM610R4, &ORM610R5, &ORM610R6};
  for (int n = 1; n <= 6; ++n) {
    const std::string name = "ORM610R" + std::to_string(n);
    for (int i = 0; i <= 25; ++i) {
      const std::string caption = i == 0 ? std::to_string(n) : "";
      rows[n - 1]->Append(AddButton(r, d, (name + "(" + std::to_string(i) + ")").c_str(),
                                    caption.c_str(), kLightGrey));
    }
  }
  for (int i = 0; i <= 25; ++i) {
    const std::string caption = i == 0 ? "" : std::to_string(i);
    ORM610C1.Append(AddButton(r, d, ("ORM610C1(" + std::to_string(i) + ")").c_str(),
                              caption.c_str(), kLightGrey));
  }
  ORM610R0C0.Append(AddButton(r, d, "ORM610R0C0(0)", "", kLightGrey));
  ORM610R0C0.Append(AddButton(r, d, "ORM610R0C0(1)", "", kLightGrey));
  ORM610ColLabel = AddLabel(r, d, "ORM610ColLabel", "Col");
  ORM610RowLabel = AddLabel(r, d, "ORM610RowLabel", "Pri");

  ORM610AttLabel = AddLabel(r, d, "ORM610AttLabel", "Att");
  ORM610AttOFF = AddButton(r, d, "ORM610AttOFF", "OFF", kLightGrey);
  ORM610AttON = AddButton(r, d, "ORM610AttON", "ON", kLightGrey);
  ORM610AttFS = AddButton(r, d, "ORM610AttFS", "FS", kLightGrey);
  ORM610AttFF = AddButton(r, d, "ORM610AttFF", "FF", kLightGrey);
  ORM610PriLabel = AddLabel(r, d, "ORM610PriLabel", "Pri");
  ORM610PriB = AddButton(r, d, "ORM610PriB", "B", kLightGrey);
  ORM610PriR = AddButton(r, d, "ORM610PriR", "R", kLightGrey);
  ORM610PriY = AddButton(r, d, "ORM610PriY", "Y", kLightGrey);
  ORM610PriG = AddButton(r, d, "ORM610PriG", "G", kLightGrey);
  ORM610SecLabel = AddLabel(r, d, "ORM610SecLabel", "Sec");
  ORM610SecB = AddButton(r, d, "ORM610SecB", "B", kLightGrey);
  ORM610SecR = AddButton(r, d, "ORM610SecR", "R", kLightGrey);
  ORM610SecY = AddButton(r, d, "ORM610SecY", "Y", kLightGrey);
  ORM610SecG = AddButton(r, d, "ORM610SecG", "G", kLightGrey);
}

}  // namespace tvx::window
