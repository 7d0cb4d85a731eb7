#include "window/main_window.h"

namespace tvx::window {

bool CommandFlags::Any() const {
  return AndonFlag || Andon2Flag || MRQFlag || NUMFlag || TuneFlag || TU2Flag || MiscFlag ||
         TestFlag || ClearFlag || DiagFlag || BootFlag || SBTFlag || SBSFlag || ModSNFlag ||
         SGUFlag || SVNFlag || SLIFlag || SFDFlag || SACFlag || SMBFlag || SORFlag || SMDFlag ||
         VolumeFlag || SL1Flag || SDMFlag;
}

FrmMain::FrmMain(MSComm& serial, Winsock& socket) : MSComm1(serial), Winsock1(socket) {
  frmMain = controls.Add<Form>(nullptr, "frmMain", ControlKind::Form, "TVXORM");
  BuildSelectAndAddress();
  BuildMainAndStatus();
  BuildCommunications();
  BuildDataFields();
  BuildAndon();
  Timer1 = controls.Add<Timer>(frmMain, "Timer1", 50, false);
  Timer3 = controls.Add<Timer>(frmMain, "Timer3", 0, true);
  Timer4 = controls.Add<Timer>(frmMain, "Timer4", 0, false);
  RegisterVariables();
}

namespace {
Button* AddButton(Registry& r, Control* in, const char* name, const char* caption) {
  return r.Add<Button>(in, name, ControlKind::Button, caption);
}
Label* AddLabel(Registry& r, Control* in, const char* name, const char* caption) {
  return r.Add<Label>(in, name, ControlKind::Label, caption);
}
Frame* AddFrame(Registry& r, Control* in, const char* name, const char* caption) {
  return r.Add<Frame>(in, name, ControlKind::Frame, caption);
}
TextBox* AddText(Registry& r, Control* in, const char* name, int max_length) {
  return r.Add<TextBox>(in, name, max_length);
}
void HideAndDisable(std::initializer_list<Control*> list) {
  for (Control* c : list) {
    c->SetVisible(false);
    c->SetEnabled(false);
  }
}
}  // namespace

void FrmMain::BuildSelectAndAddress() {
  Registry& r = controls;
  SelectFunctionFrame = AddFrame(r, frmMain, "SelectFunctionFrame", "Select Type of DXP Command");
  Control* f = SelectFunctionFrame;
  AndonButton = AddButton(r, f, "AndonButton", "AC1");
  AndonButton2 = AddButton(r, f, "AndonButton2", "AC2");
  MrqButton = AddButton(r, f, "MrqButton", "MRQ");
  NumButton = AddButton(r, f, "NumButton", "NUM");
  TuneButton = AddButton(r, f, "TuneButton", "TU1");
  Tunebutton2 = AddButton(r, f, "Tunebutton2", "TU2");
  VolumeButton = AddButton(r, f, "VolumeButton", "VL1");
  SL1Button = AddButton(r, frmMain, "SL1Button", "SL1");
  SDMButton = AddButton(r, frmMain, "SDMButton", "SDM");
  MiscButton = AddButton(r, f, "MiscButton", "Misc");
  TestButton = AddButton(r, f, "TestButton", "Test");
  ClearButton = AddButton(r, f, "ClearButton", "Clear");
  DiagButton = AddButton(r, f, "DiagButton", "Diag");
  BootButton = AddButton(r, f, "BootButton", "Boot");
  SVNButton = AddButton(r, f, "SVNButton", "SVN");
  ModSNButton = AddButton(r, f, "ModSNButton", "SS#");
  SGUButton = AddButton(r, f, "SGUButton", "SGU");
  SBTButton = AddButton(r, f, "SBTButton", "SBT");
  SBSButton = AddButton(r, f, "SBSButton", "SBS");
  SLIButton = AddButton(r, f, "SLIButton", "SLI");
  SFDButton = AddButton(r, f, "SFDButton", "SFD");
  SACButton = AddButton(r, f, "SACButton", "SAC");
  SMBButton = AddButton(r, f, "SMBButton", "SMB");
  SORButton = AddButton(r, f, "SORButton", "SOR");
  SMDButton = AddButton(r, f, "SMDButton", "SMD");
  TIMButton = AddButton(r, f, "TIMButton", "TIM");
  AW1Button = AddButton(r, f, "AW1Button", "AW1");
  HideAndDisable({SLIButton, SMBButton, SFDButton});
  TIMButton->SetEnabled(false);
  AW1Button->SetEnabled(false);

  AddressFrame = AddFrame(r, frmMain, "AddressFrame", "Address of Target Device");
  GroupLabel = AddLabel(r, AddressFrame, "GroupLabel", "Group");
  GroupText = AddText(r, AddressFrame, "GroupText", 2);
  UnitLabel = AddLabel(r, AddressFrame, "UnitLabel", "Unit");
  UnitText = AddText(r, AddressFrame, "UnitText", 2);
  SernoLabel = AddLabel(r, AddressFrame, "SernoLabel", "Serial Number");
  SernoText = AddText(r, AddressFrame, "SernoText", 5);
  GlobalButton = AddButton(r, AddressFrame, "GlobalButton", "Global");
}

void FrmMain::BuildMainAndStatus() {
  Registry& r = controls;
  MainFrame = AddFrame(r, frmMain, "MainFrame", "");
  SendButton = AddButton(r, MainFrame, "SendButton", "Send");
  F1Label = AddLabel(r, MainFrame, "F1Label", "[F1]");
  CancelButton = AddButton(r, MainFrame, "CancelButton", "Cancel");
  F2Label = AddLabel(r, MainFrame, "F2Label", "[F2]");
  CommandDataFrame = AddFrame(r, MainFrame, "CommandDataFrame", "Command Data");

  Control* d = CommandDataFrame;
  PacketLabel = AddLabel(r, d, "PacketLabel", "Packet(s):");
  PacketText = AddText(r, d, "PacketText", 0);
  PacketText->SetLocked(true);
  PacketText->SetMultiLine(true);
  CntlText = AddLabel(r, d, "CntlText", "Control Characters:");
  STXButton = AddButton(r, d, "STXButton", "STX");
  ESCButton = AddButton(r, d, "ESCButton", "ESC");
  EOTButton = AddButton(r, d, "EOTButton", "EOT");
  CntlB = AddButton(r, d, "CntlB", "B");
  CntlC = AddButton(r, d, "CntlC", "C");
  CntlD = AddButton(r, d, "CntlD", "D");
  CntlE = AddButton(r, d, "CntlE", "E");
  CntlH = AddButton(r, d, "CntlH", "H");
  CntlJ = AddButton(r, d, "CntlJ", "J");
  CntlL = AddButton(r, d, "CntlL", "L");
  CntlM = AddButton(r, d, "CntlM", "M");
  CntlP = AddButton(r, d, "CntlP", "P");
  CntlR = AddButton(r, d, "CntlR", "R");
  CntlS = AddButton(r, d, "CntlS", "S");
  CntlT = AddButton(r, d, "CntlT", "T");
  CntlLeft = AddButton(r, d, "CntlLeft", "[");
  CntlColon = AddButton(r, d, "CntlColon", ":");
  CntlDecimal = AddButton(r, d, "CntlDecimal", ".");
  CntlClear = AddButton(r, d, "CntlClear", "CLEAR");
  for (Control* c : {CntlText, STXButton, ESCButton, EOTButton, CntlB, CntlC, CntlD, CntlE, CntlH,
                     CntlJ, CntlL, CntlM, CntlP, CntlR, CntlS, CntlT, CntlLeft, CntlColon,
                     CntlDecimal, CntlClear}) {
    c->SetVisible(false);
  }

  StatusTextFrame = AddFrame(r, frmMain, "StatusTextFrame", "");
  StatusText = AddText(r, StatusTextFrame, "StatusText", 0);
  StatusText->SetText(" This window provides status updates.\r\n");
  StatusText->SetLocked(true);
  StatusText->SetMultiLine(true);
}

void FrmMain::BuildCommunications() {
  Registry& r = controls;
  CommPort = AddFrame(r, frmMain, "CommPort", "Communications");
  Comm1Option = r.Add<OptionButton>(CommPort, "Comm1Option", "Comm 1");
  Comm2Option = r.Add<OptionButton>(CommPort, "Comm2Option", "Comm2");
  Comm3Option = r.Add<OptionButton>(CommPort, "Comm3Option", "Comm 3");
  Comm4Option = r.Add<OptionButton>(CommPort, "Comm4Option", "Comm 4");
  TCPOption = r.Add<OptionButton>(CommPort, "TCPOption", "TCP/IP");
  RemoteIPLabel = AddLabel(r, CommPort, "RemoteIPLabel", "IP:");
  RemoteIPText = AddText(r, CommPort, "RemoteIPText", 15);
  RemoteIPButton = AddButton(r, CommPort, "RemoteIPButton", "Connect");
  RemotePortLabel = AddLabel(r, CommPort, "RemotePortLabel", "PORT:");
  RemotePortText = r.Add<TextBox>(CommPort, "RemotePortText", 6, "3001");
  HideAndDisable({RemoteIPLabel, RemoteIPText, RemoteIPButton, RemotePortLabel, RemotePortText});

  ACKCheck = r.Add<CheckBox>(frmMain, "ACKCheck", "Request 'ACK'");
  ACKCheck->SetEnabled(false);
}

std::vector<Button*> FrmMain::SectionButtons() const {
  return {AndonButton, AndonButton2, MrqButton,   NumButton,   TuneButton, Tunebutton2,
          VolumeButton, SL1Button,   SDMButton,   MiscButton,  TestButton, ClearButton,
          DiagButton,  BootButton,   SVNButton,   ModSNButton, SGUButton,  SBTButton,
          SBSButton,   SLIButton,    SFDButton,   SACButton,   SMBButton,  SORButton,
          SMDButton};
}

const ControlArray<Button>& FrmMain::AndonRow(int n) const {
  const ControlArray<Button>* rows[] = {&ORM610R1, &ORM610R2, &ORM610R3,
                                        &ORM610R4, &ORM610R5, &ORM610R6};
  return *rows[n - 1];
}

void FrmMain::RegisterVariables() {
  Registry& r = controls;
  CommandFlags& f = flags;
  const std::pair<const char*, bool*> bools[] = {
      {"AndonFlag", &f.AndonFlag}, {"Andon2Flag", &f.Andon2Flag}, {"MRQFlag", &f.MRQFlag},
      {"NUMFlag", &f.NUMFlag},     {"TuneFlag", &f.TuneFlag},     {"TU2Flag", &f.TU2Flag},
      {"MiscFlag", &f.MiscFlag},   {"TestFlag", &f.TestFlag},     {"ClearFlag", &f.ClearFlag},
      {"DiagFlag", &f.DiagFlag},   {"BootFlag", &f.BootFlag},     {"SBTFlag", &f.SBTFlag},
      {"SBSFlag", &f.SBSFlag},     {"ModSNFlag", &f.ModSNFlag},   {"SGUFlag", &f.SGUFlag},
      {"SVNFlag", &f.SVNFlag},     {"SLIFlag", &f.SLIFlag},       {"SFDFlag", &f.SFDFlag},
      {"SACFlag", &f.SACFlag},     {"SMBFlag", &f.SMBFlag},       {"SORFlag", &f.SORFlag},
      {"SMDFlag", &f.SMDFlag},     {"VolumeFlag", &f.VolumeFlag}, {"SL1Flag", &f.SL1Flag},
      {"SDMFlag", &f.SDMFlag},     {"SendFlag", &SendFlag},       {"TCPIP", &TCPIP},
      {"GoodSerno", &GoodSerno}};
  for (const auto& [name, ptr] : bools) r.AddVariable(name, ptr);
  const std::pair<const char*, std::int16_t*> shorts[] = {
      {"NewComm", &NewComm}, {"OldComm", &OldComm}, {"MSCommCount", &MSCommCount},
      {"Group", &Group},     {"Unit", &Unit},       {"Row", &Row},
      {"Col", &Col},         {"TCPIPCounter", &TCPIPCounter}, {"NUMVal", &NUMVal},
      {"NUMVal2", &NUMVal2}};
  for (const auto& [name, ptr] : shorts) r.AddVariable(name, ptr);
  r.AddVariable("SernoVal", &SernoVal);
  const std::pair<const char*, std::string*> texts[] = {
      {"GroupString", &GroupString}, {"UnitString", &UnitString},
      {"PacketString", &PacketString}, {"SernoValStringSend", &SernoValStringSend},
      {"SBSVal", &SBSVal}, {"TUFlagVal", &TUFlagVal}};
  for (const auto& [name, ptr] : texts) r.AddVariable(name, ptr);
}

}  // namespace tvx::window
