#pragma once

#include <cstdint>
#include <string>

#include "window/comm_controls.h"
#include "window/registry.h"
#include "window/timer.h"

namespace tvx::window {

// The command flags, one per section; at most one is set at a time.
struct CommandFlags {
  bool AndonFlag = false, Andon2Flag = false, MRQFlag = false, NUMFlag = false;
  bool TuneFlag = false, TU2Flag = false, MiscFlag = false, TestFlag = false;
  bool ClearFlag = false, DiagFlag = false, BootFlag = false, SBTFlag = false;
  bool SBSFlag = false, ModSNFlag = false, SGUFlag = false, SVNFlag = false;
  bool SLIFlag = false, SFDFlag = false, SACFlag = false, SMBFlag = false;
  bool SORFlag = false, SMDFlag = false, VolumeFlag = false, SL1Flag = false;
  bool SDMFlag = false;

  bool Any() const;
  void Clear() { *this = CommandFlags{}; }
  bool operator==(const CommandFlags&) const = default;
};

// The main window: every control with its initial properties, and the window-level
// variables. Plain state; the subsystems own the behaviour and wire the event hooks.
class FrmMain {
 public:
  FrmMain(MSComm& serial, Winsock& socket);
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  Registry controls;
  MSComm& MSComm1;
  Winsock& Winsock1;

  Form* frmMain;

  // Section buttons and their frame.
  Frame* SelectFunctionFrame;
  Button *AndonButton, *AndonButton2, *MrqButton, *NumButton, *TuneButton, *Tunebutton2;
  Button *VolumeButton, *SL1Button, *SDMButton, *MiscButton, *TestButton, *ClearButton;
  Button *DiagButton, *BootButton, *SVNButton, *ModSNButton, *SGUButton, *SBTButton;
  Button *SBSButton, *SLIButton, *SFDButton, *SACButton, *SMBButton, *SORButton, *SMDButton;
  Button *TIMButton, *AW1Button;

  // Address of the target device.
  Frame* AddressFrame;
  Label *GroupLabel, *UnitLabel, *SernoLabel;
  TextBox *GroupText, *UnitText, *SernoText;
  Button* GlobalButton;

  // Send, Cancel and the command data.
  Frame *MainFrame, *CommandDataFrame;
  Button *SendButton, *CancelButton;
  Label *F1Label, *F2Label;
  TextBox* PacketText;
  Label *PacketLabel, *CntlText;
  Button *STXButton, *ESCButton, *EOTButton, *CntlB, *CntlC, *CntlD, *CntlE, *CntlH, *CntlJ;
  Button *CntlL, *CntlM, *CntlP, *CntlR, *CntlS, *CntlT, *CntlLeft, *CntlColon, *CntlDecimal;
  Button* CntlClear;

  // Status.
  Frame* StatusTextFrame;
  TextBox* StatusText;

  // Communications.
  Frame* CommPort;
  OptionButton *Comm1Option, *Comm2Option, *Comm3Option, *Comm4Option, *TCPOption;
  Label *RemoteIPLabel, *RemotePortLabel;
  TextBox *RemoteIPText, *RemotePortText;
  Button* RemoteIPButton;
  CheckBox* ACKCheck;

  // Data fields shared by the numeric, stack-light, display-mode, columns and AC2 sections.
  TextBox *NUMText, *NumRowText, *NumColText, *AC2SubRowText, *AC2SubColText;
  Label *NUMLabel, *NumRowLabel, *NumColLabel, *AC2SubRowLabel, *AC2SubColLabel;
  Label *AC2CharLabel, *AC2CharLabel2;
  Label* NUMAttLabel;
  Button *NUMAttOFF, *NUMAttON, *NUMAttFS, *NUMAttFF;

  // Marquee.
  TextBox* MRQText;
  Label *MRQTextLabel, *MRQFlashLabel, *MRQAutoCenterLabel, *MRQCHLabel, *MRQCRLabel;
  Button *MRQFlashON, *MRQFlashOFF, *MRQAutoCenterON, *MRQAutoCenterOFF;
  Button *MRQCHON, *MRQCHOFF, *MRQCRON, *MRQCROFF;

  // Tunes and volume.
  Frame *fraTune, *fraVolume;
  TextBox *TUNText, *SecondsText, *RepeatText, *DurationText, *PriorityText;
  Label *TUNLabel, *SecondsLabel, *RepeatLabel, *DurationLabel, *PriorityLabel;
  TextBox *VolumeText, *ChannelText;
  Label *VolumeLabel, *ChannelLabel;

  // Device configuration and settings.
  TextBox *SBTText, *SBSText, *SLIText, *SFDText;
  Label *SBTLabel, *SBSLabel, *SLILabel, *SFDLabel;
  Frame *fraSMB, *fraSGU, *fraSOR, *fraSMD;
  TextBox *SMBText1, *SMBText2;
  Label *SMBLabel1, *SMBLabel2, *lblSGUGroup, *lblSGUUnit;
  ControlArray<TextBox> txtSGUGroup, txtSGUUnit;
  ControlArray<OptionButton> optSOR, optSMD;

  // Andon cell grid and pickers.
  ControlArray<Button> ORM610R1, ORM610R2, ORM610R3, ORM610R4, ORM610R5, ORM610R6;
  ControlArray<Button> ORM610C1, ORM610R0C0;
  Label *ORM610ColLabel, *ORM610RowLabel;
  Label *ORM610AttLabel, *ORM610PriLabel, *ORM610SecLabel;
  Button *ORM610AttOFF, *ORM610AttON, *ORM610AttFS, *ORM610AttFF;
  Button *ORM610PriB, *ORM610PriR, *ORM610PriY, *ORM610PriG;
  Button *ORM610SecB, *ORM610SecR, *ORM610SecY, *ORM610SecG;

  Timer *Timer1, *Timer3, *Timer4;

  // Window-level variables.
  CommandFlags flags;
  bool SendFlag = false;
  // A send is pending and there is a section to send: a dispatcher tick has work.
  bool SendArmed() const { return SendFlag && flags.Any(); }
  bool TCPIP = false;
  std::int16_t NewComm = 0, OldComm = 0, MSCommCount = 0;
  std::int16_t Group = 0, Unit = 0, Row = 0, Col = 0, TCPIPCounter = 0;
  std::int16_t NUMVal = 0, NUMVal2 = 0;
  std::int32_t SernoVal = 0;
  std::string GroupString, UnitString, PacketString, SernoValStringSend, SBSVal, TUFlagVal;
  bool GoodSerno = false;

  // The 25 section buttons in the order of the section table.
  std::vector<Button*> SectionButtons() const;
  // The row array of andon row n (1 to 6).
  const ControlArray<Button>& AndonRow(int n) const;

 private:
  void BuildSelectAndAddress();
  void BuildMainAndStatus();
  void BuildCommunications();
  void BuildDataFields();
  void BuildAndon();
  void RegisterVariables();
};

}  // namespace tvx::window
