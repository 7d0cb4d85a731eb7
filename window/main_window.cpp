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
void HideAndDisable(std::initializer_list<Control*> list) {
  for (Control* c : list) {
    c->SetVisible(false);
    c->SetEnabled(false);
  }
}
}  // namespace

void FrmMain::BuildSelectAndAddress() {
  Registry& r = controls;
  SelectFunctionFrame = r.AddFrame(frmMain, "SelectFunctionFrame", "Select Type of DXP Command");
  Control* f = SelectFunctionFrame;
  AndonButton = r.AddButton(f, "AndonButton", "AC1");
  AndonButton2 = r.AddButton(f, "AndonButton2", "AC2");
  MrqButton = r.AddButton(f, "MrqButton", "MRQ");
  NumButton = r.AddButton(f, "NumButton", "NUM");
  TuneButton = r.AddButton(f, "TuneButton", "TU1");
  Tunebutton2 = r.AddButton(f, "Tunebutton2", "TU2");
  VolumeButton = r.AddButton(f, "VolumeButton", "VL1");
  SL1Button = r.AddButton(frmMain, "SL1Button", "SL1");
  SDMButton = r.AddButton(frmMain, "SDMButton", "SDM");
  MiscButton = r.AddButton(f, "MiscButton", "Misc");
  TestButton = r.AddButton(f, "TestButton", "Test");
  ClearButton = r.AddButton(f, "ClearButton", "Clear");
  DiagButton = r.AddButton(f, "DiagButton", "Diag");
  BootButton = r.AddButton(f, "BootButton", "Boot");
  SVNButton = r.AddButton(f, "SVNButton", "SVN");
  ModSNButton = r.AddButton(f, "ModSNButton", "SS#");
  SGUButton = r.AddButton(f, "SGUButton", "SGU");
  SBTButton = r.AddButton(f, "SBTButton", "SBT");
  SBSButton = r.AddButton(f, "SBSButton", "SBS");
  SLIButton = r.AddButton(f, "SLIButton", "SLI");
  SFDButton = r.AddButton(f, "SFDButton", "SFD");
  SACButton = r.AddButton(f, "SACButton", "SAC");
  SMBButton = r.AddButton(f, "SMBButton", "SMB");
  SORButton = r.AddButton(f, "SORButton", "SOR");
  SMDButton = r.AddButton(f, "SMDButton", "SMD");
  TIMButton = r.AddButton(f, "TIMButton", "TIM");
  AW1Button = r.AddButton(f, "AW1Button", "AW1");
  HideAndDisable({SLIButton, SMBButton, SFDButton});
  TIMButton->SetEnabled(false);
  AW1Button->SetEnabled(false);

  AddressFrame = r.AddFrame(frmMain, "AddressFrame", "Address of Target Device");
  GroupLabel = r.AddLabel(AddressFrame, "GroupLabel", "Group");
  GroupText = r.AddText(AddressFrame, "GroupText", 2);
  UnitLabel = r.AddLabel(AddressFrame, "UnitLabel", "Unit");
  UnitText = r.AddText(AddressFrame, "UnitText", 2);
  SernoLabel = r.AddLabel(AddressFrame, "SernoLabel", "Serial Number");
  SernoText = r.AddText(AddressFrame, "SernoText", 5);
  GlobalButton = r.AddButton(AddressFrame, "GlobalButton", "Global");
}

void FrmMain::BuildMainAndStatus() {
  Registry& r = controls;
  MainFrame = r.AddFrame(frmMain, "MainFrame", "");
  SendButton = r.AddButton(MainFrame, "SendButton", "Send");
  F1Label = r.AddLabel(MainFrame, "F1Label", "[F1]");
  CancelButton = r.AddButton(MainFrame, "CancelButton", "Cancel");
  F2Label = r.AddLabel(MainFrame, "F2Label", "[F2]");
  CommandDataFrame = r.AddFrame(MainFrame, "CommandDataFrame", "Command Data");

  Control* d = CommandDataFrame;
  PacketLabel = r.AddLabel(d, "PacketLabel", "Packet(s):");
  PacketText = r.AddText(d, "PacketText", 0);
  PacketText->SetLocked(true);
  PacketText->SetMultiLine(true);
  CntlText = r.AddLabel(d, "CntlText", "Control Characters:");
  STXButton = r.AddButton(d, "STXButton", "STX");
  ESCButton = r.AddButton(d, "ESCButton", "ESC");
  EOTButton = r.AddButton(d, "EOTButton", "EOT");
  CntlB = r.AddButton(d, "CntlB", "B");
  CntlC = r.AddButton(d, "CntlC", "C");
  CntlD = r.AddButton(d, "CntlD", "D");
  CntlE = r.AddButton(d, "CntlE", "E");
  CntlH = r.AddButton(d, "CntlH", "H");
  CntlJ = r.AddButton(d, "CntlJ", "J");
  CntlL = r.AddButton(d, "CntlL", "L");
  CntlM = r.AddButton(d, "CntlM", "M");
  CntlP = r.AddButton(d, "CntlP", "P");
  CntlR = r.AddButton(d, "CntlR", "R");
  CntlS = r.AddButton(d, "CntlS", "S");
  CntlT = r.AddButton(d, "CntlT", "T");
  CntlLeft = r.AddButton(d, "CntlLeft", "[");
  CntlColon = r.AddButton(d, "CntlColon", ":");
  CntlDecimal = r.AddButton(d, "CntlDecimal", ".");
  CntlClear = r.AddButton(d, "CntlClear", "CLEAR");
  for (Control* c : {CntlText, STXButton, ESCButton, EOTButton, CntlB,       CntlC,    CntlD,
                     CntlE,    CntlH,     CntlJ,     CntlL,     CntlM,       CntlP,    CntlR,
                     CntlS,    CntlT,     CntlLeft,  CntlColon, CntlDecimal, CntlClear}) {
    c->SetVisible(false);
  }

  StatusTextFrame = r.AddFrame(frmMain, "StatusTextFrame", "");
  StatusText = r.AddText(StatusTextFrame, "StatusText", 0);
  StatusText->SetText(" This window provides status updates.\r\n");
  StatusText->SetLocked(true);
  StatusText->SetMultiLine(true);
}

void FrmMain::BuildCommunications() {
  Registry& r = controls;
  CommPort = r.AddFrame(frmMain, "CommPort", "Communications");
  Comm1Option = r.Add<OptionButton>(CommPort, "Comm1Option", "Comm 1");
  Comm2Option = r.Add<OptionButton>(CommPort, "Comm2Option", "Comm2");
  Comm3Option = r.Add<OptionButton>(CommPort, "Comm3Option", "Comm 3");
  Comm4Option = r.Add<OptionButton>(CommPort, "Comm4Option", "Comm 4");
  TCPOption = r.Add<OptionButton>(CommPort, "TCPOption", "TCP/IP");
  RemoteIPLabel = r.AddLabel(CommPort, "RemoteIPLabel", "IP:");
  RemoteIPText = r.AddText(CommPort, "RemoteIPText", 15);
  RemoteIPButton = r.AddButton(CommPort, "RemoteIPButton", "Connect");
  RemotePortLabel = r.AddLabel(CommPort, "RemotePortLabel", "PORT:");
  RemotePortText = r.Add<TextBox>(CommPort, "RemotePortText", 6, "3001");
  HideAndDisable({RemoteIPLabel, RemoteIPText, RemoteIPButton, RemotePortLabel, RemotePortText});

  ACKCheck = r.Add<CheckBox>(frmMain, "ACKCheck", "Request 'ACK'");
  ACKCheck->SetEnabled(false);
}

std::vector<Button*> FrmMain::SectionButtons() const {
  return {AndonButton, AndonButton2, MrqButton,  NumButton,  TuneButton,  Tunebutton2, VolumeButton,
          SL1Button,   SDMButton,    MiscButton, TestButton, ClearButton, DiagButton,  BootButton,
          SVNButton,   ModSNButton,  SGUButton,  SBTButton,  SBSButton,   SLIButton,   SFDButton,
          SACButton,   SMBButton,    SORButton,  SMDButton};
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
  const std::pair<const char*, std::int16_t*> shorts[] = {{"NewComm", &NewComm},
                                                          {"OldComm", &OldComm},
                                                          {"MSCommCount", &MSCommCount},
                                                          {"Group", &Group},
                                                          {"Unit", &Unit},
                                                          {"Row", &Row},
                                                          {"Col", &Col},
                                                          {"TCPIPCounter", &TCPIPCounter},
                                                          {"NUMVal", &NUMVal},
                                                          {"NUMVal2", &NUMVal2}};
  for (const auto& [name, ptr] : shorts) r.AddVariable(name, ptr);
  r.AddVariable("SernoVal", &SernoVal);
  const std::pair<const char*, std::string*> texts[] = {{"GroupString", &GroupString},
                                                        {"UnitString", &UnitString},
                                                        {"PacketString", &PacketString},
                                                        {"SernoValStringSend", &SernoValStringSend},
                                                        {"SBSVal", &SBSVal},
                                                        {"TUFlagVal", &TUFlagVal}};
  for (const auto& [name, ptr] : texts) r.AddVariable(name, ptr);
}

}  // namespace tvx::window
