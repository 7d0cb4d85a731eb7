#include "window/main_window.h"

// The section data fields and the andon grid: many controls, little logic.
namespace tvx::window {

void FrmMain::BuildDataFields() {
  Registry& r = controls;
  Control* d = CommandDataFrame;
  NUMLabel = r.AddLabel(d, "NUMLabel", "Number");
  NUMText = r.AddText(d, "NUMText", 4);
  NumRowLabel = r.AddLabel(d, "NumRowLabel", "Row");
  NumRowText = r.AddText(d, "NumRowText", 2);
  NumColLabel = r.AddLabel(d, "NumColLabel", "Col");
  NumColText = r.AddText(d, "NumColText", 2);
  AC2SubRowLabel = r.AddLabel(d, "AC2SubRowLabel", "Sub-Row");
  AC2SubRowText = r.AddText(d, "AC2SubRowText", 2);
  AC2SubColLabel = r.AddLabel(d, "AC2SubColLabel", "Sub-Col");
  AC2SubColText = r.AddText(d, "AC2SubColText", 2);
  AC2CharLabel = r.AddLabel(d, "AC2CharLabel", "Optional Characters:");
  AC2CharLabel2 =
      r.AddLabel(d, "AC2CharLabel2",
                 "The Primary and Secondary colors \r\npertain only to the andon cells, "
                 "not the \r\ncharacters.");
  NUMAttLabel = r.AddLabel(d, "NUMAttLabel", "Att");
  NUMAttOFF = r.AddButton(d, "NUMAttOFF", "OFF", kLightGrey);
  NUMAttON = r.AddButton(d, "NUMAttON", "ON", kLightGrey);
  NUMAttFS = r.AddButton(d, "NUMAttFS", "FS", kLightGrey);
  NUMAttFF = r.AddButton(d, "NUMAttFF", "FF", kLightGrey);

  MRQTextLabel = r.AddLabel(d, "MRQTextLabel", "Message");
  MRQText = r.AddText(d, "MRQText", 100);
  MRQFlashLabel = r.AddLabel(d, "MRQFlashLabel", "Flash");
  MRQFlashON = r.AddButton(d, "MRQFlashON", "ON", kLightGrey);
  MRQFlashOFF = r.AddButton(d, "MRQFlashOFF", "OFF", kLightGrey);
  MRQAutoCenterLabel = r.AddLabel(d, "MRQAutoCenterLabel", "Auto-Center");
  MRQAutoCenterON = r.AddButton(d, "MRQAutoCenterON", "ON", kLightGrey);
  MRQAutoCenterOFF = r.AddButton(d, "MRQAutoCenterOFF", "OFF", kLightGrey);
  MRQCHLabel = r.AddLabel(d, "MRQCHLabel", "Clear & Home");
  MRQCHON = r.AddButton(d, "MRQCHON", "ON", kLightGrey);
  MRQCHOFF = r.AddButton(d, "MRQCHOFF", "OFF", kLightGrey);
  MRQCRLabel = r.AddLabel(d, "MRQCRLabel", "Carriage Return");
  MRQCRON = r.AddButton(d, "MRQCRON", "ON", kLightGrey);
  MRQCROFF = r.AddButton(d, "MRQCROFF", "OFF", kLightGrey);

  fraTune = r.Add<Frame>(d, "fraTune", ControlKind::Frame, "Tune");
  TUNLabel = r.AddLabel(fraTune, "TUNLabel", "Tune Number");
  TUNText = r.AddText(fraTune, "TUNText", 3);
  SecondsLabel = r.AddLabel(fraTune, "SecondsLabel", "Seconds");
  SecondsText = r.AddText(fraTune, "SecondsText", 3);
  RepeatLabel = r.AddLabel(fraTune, "RepeatLabel", "Repeat");
  RepeatText = r.AddText(fraTune, "RepeatText", 2);
  DurationLabel = r.AddLabel(fraTune, "DurationLabel", "Duration");
  DurationText = r.AddText(fraTune, "DurationText", 3);
  PriorityLabel = r.AddLabel(fraTune, "PriorityLabel", "Priority");
  PriorityText = r.AddText(fraTune, "PriorityText", 1);

  fraVolume = r.Add<Frame>(d, "fraVolume", ControlKind::Frame, "Tune Volume");
  VolumeLabel = r.AddLabel(fraVolume, "VolumeLabel", "Volume");
  VolumeText = r.AddText(fraVolume, "VolumeText", 3);
  ChannelLabel = r.AddLabel(fraVolume, "ChannelLabel", "Channel");
  ChannelText = r.AddText(fraVolume, "ChannelText", 1);

  SBTLabel = r.AddLabel(d, "SBTLabel", "Board Type");
  SBTText = r.AddText(d, "SBTText", 3);
  SBSLabel = r.AddLabel(d, "SBSLabel", "Sub-Board Type");
  SBSText = r.AddText(d, "SBSText", 0);
  SLILabel = r.AddLabel(d, "SLILabel", "01-18");
  SLIText = r.AddText(d, "SLIText", 2);
  SFDLabel = r.AddLabel(d, "SFDLabel", "0 - 99");
  SFDText = r.AddText(d, "SFDText", 2);

  fraSMB = r.Add<Frame>(d, "fraSMB", ControlKind::Frame, "Brightness");
  SMBLabel1 = r.AddLabel(fraSMB, "SMBLabel1", "R-");
  SMBText1 = r.AddText(fraSMB, "SMBText1", 2);
  SMBLabel2 = r.AddLabel(fraSMB, "SMBLabel2", "L-");
  SMBText2 = r.AddText(fraSMB, "SMBText2", 2);

  fraSGU = r.Add<Frame>(d, "fraSGU", ControlKind::Frame, "Device Sets");
  lblSGUGroup = r.AddLabel(fraSGU, "lblSGUGroup", "Group");
  lblSGUUnit = r.AddLabel(fraSGU, "lblSGUUnit", "Unit");
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
  ControlArray<Button>* rows[] = {&ORM610R1, &ORM610R2, &ORM610R3, &ORM610R4, &ORM610R5, &ORM610R6};
  for (int n = 1; n <= 6; ++n) {
    const std::string name = "ORM610R" + std::to_string(n);
    for (int i = 0; i <= 25; ++i) {
      const std::string caption = i == 0 ? std::to_string(n) : "";
      rows[n - 1]->Append(r.AddButton(d, (name + "(" + std::to_string(i) + ")").c_str(),
                                      caption.c_str(), kLightGrey));
    }
  }
  for (int i = 0; i <= 25; ++i) {
    const std::string caption = i == 0 ? "" : std::to_string(i);
    ORM610C1.Append(r.AddButton(d, ("ORM610C1(" + std::to_string(i) + ")").c_str(), caption.c_str(),
                                kLightGrey));
  }
  ORM610R0C0.Append(r.AddButton(d, "ORM610R0C0(0)", "", kLightGrey));
  ORM610R0C0.Append(r.AddButton(d, "ORM610R0C0(1)", "", kLightGrey));
  ORM610ColLabel = r.AddLabel(d, "ORM610ColLabel", "Col");
  ORM610RowLabel = r.AddLabel(d, "ORM610RowLabel", "Pri");

  ORM610AttLabel = r.AddLabel(d, "ORM610AttLabel", "Att");
  ORM610AttOFF = r.AddButton(d, "ORM610AttOFF", "OFF", kLightGrey);
  ORM610AttON = r.AddButton(d, "ORM610AttON", "ON", kLightGrey);
  ORM610AttFS = r.AddButton(d, "ORM610AttFS", "FS", kLightGrey);
  ORM610AttFF = r.AddButton(d, "ORM610AttFF", "FF", kLightGrey);
  ORM610PriLabel = r.AddLabel(d, "ORM610PriLabel", "Pri");
  ORM610PriB = r.AddButton(d, "ORM610PriB", "B", kLightGrey);
  ORM610PriR = r.AddButton(d, "ORM610PriR", "R", kLightGrey);
  ORM610PriY = r.AddButton(d, "ORM610PriY", "Y", kLightGrey);
  ORM610PriG = r.AddButton(d, "ORM610PriG", "G", kLightGrey);
  ORM610SecLabel = r.AddLabel(d, "ORM610SecLabel", "Sec");
  ORM610SecB = r.AddButton(d, "ORM610SecB", "B", kLightGrey);
  ORM610SecR = r.AddButton(d, "ORM610SecR", "R", kLightGrey);
  ORM610SecY = r.AddButton(d, "ORM610SecY", "Y", kLightGrey);
  ORM610SecG = r.AddButton(d, "ORM610SecG", "G", kLightGrey);
}

}  // namespace tvx::window
