#include "console/config_branches.h"

#include "console/display_branches.h"
#include "console/serial_number.h"
#include "protocol/config_commands.h"
#include "protocol/numeric.h"

namespace tvx::console {

using protocol::Link;
using protocol::SerialSetting;
using window::CommandFlags;
using window::FrmMain;

namespace {

// On a refusal the check's message stays in the status box.
bool SernoChecked(Dispatcher& d) {
  if (ValidateSerno(d.Window())) return true;
  d.Window().Timer1->SetEnabled(false);
  return false;
}

bool OnTcp(Dispatcher& d) {
  return d.Out().Current() == Link::Tcp;
}

// Empty boxes are sent as zeros, and the operator sees them filled in.
void ZeroIfEmpty(window::TextBox* box) {
  if (box->Text().empty()) box->SetText("00");
}

// The parsed value is kept for later reference; text that does not parse leaves it as it was.
bool Store(std::int16_t& into, const std::string& text) {
  const auto value = protocol::ToInt16(text);
  if (value) into = *value;
  return value.has_value();
}

void SetGroupUnit(Dispatcher& d) {
  FrmMain& w = d.Window();
  if (!SernoChecked(d)) return;
  protocol::DeviceSets sets;
  for (int i = 0; i < protocol::kDeviceSets; ++i) {
    ZeroIfEmpty(w.txtSGUGroup(i));
    ZeroIfEmpty(w.txtSGUUnit(i));
    sets.groups[i] = w.txtSGUGroup(i)->Text();
    sets.units[i] = w.txtSGUUnit(i)->Text();
  }
  const auto result = protocol::BuildSetGroupUnit(w.SernoValStringSend, sets);
  // A bad assignment also drops the pending send, unlike every other refusal.
  if (std::holds_alternative<protocol::Refusal>(result)) w.SendFlag = false;
  SendOrRefuse(d, result);
}

void ModifySerial(Dispatcher& d) {
  if (!SernoChecked(d)) return;
  SendOrRefuse(d, protocol::BuildModifySerial(d.Window().SernoValStringSend));
}

struct SerialSettingBranch {
  FlagMember flag;
  SerialSetting command;
  std::string (*parameter)(const FrmMain&);
  bool parsed;  // whether the text is kept as a number in NUMVal
};

const SerialSettingBranch kSerialSettings[] = {
    {&CommandFlags::SBTFlag, SerialSetting::kBoardType,
     [](const FrmMain& w) { return w.SBTText->Text(); }, true},
    {&CommandFlags::SBSFlag, SerialSetting::kBoardSubType,
     [](const FrmMain& w) { return w.SBSText->Text(); }, true},
    {&CommandFlags::SFDFlag, SerialSetting::kFaderLevel,
     [](const FrmMain& w) { return w.SFDText->Text(); }, true},
    {&CommandFlags::SACFlag, SerialSetting::kColumns,
     [](const FrmMain& w) { return w.NUMText->Text(); }, true},
    {&CommandFlags::SORFlag, SerialSetting::kSeriesFlag,
     [](const FrmMain& w) { return protocol::SeriesFlagText(w.optSOR(0)->Value()); }, false},
    {&CommandFlags::SMDFlag, SerialSetting::kMarqueeDetect,
     [](const FrmMain& w) {
       return protocol::MarqueeDetectText(w.optSMD(0)->Value(), w.optSMD(1)->Value());
     },
     false},
};

void SendSerialSetting(Dispatcher& d, const SerialSettingBranch& branch) {
  FrmMain& w = d.Window();
  if (!SernoChecked(d)) return;
  const std::string text = branch.parameter(w);
  // The sub-type is a part name on the serial link, a number over TCP.
  if (branch.command == SerialSetting::kBoardSubType && !OnTcp(d)) {
    if (!text.empty()) w.SBSVal = text;
  } else if (branch.parsed) {
    Store(w.NUMVal, text);
  }
  SendOrRefuse(d, protocol::BuildSerialSetting(branch.command, w.SernoValStringSend, text,
                                               d.Out().Current()));
}

void LedIntensity(Dispatcher& d) {
  FrmMain& w = d.Window();
  if (OnTcp(d) && !SernoChecked(d)) return;
  Store(w.NUMVal, w.SLIText->Text());
  SendOrRefuse(
      d, protocol::BuildLedIntensity(w.SLIText->Text(), d.Out().Current(), w.SernoValStringSend));
}

void MarqueeBrightness(Dispatcher& d) {
  FrmMain& w = d.Window();
  const std::string& regular = w.SMBText1->Text();
  const std::string& lamp_test = w.SMBText2->Text();
  // Converted only once both are given, regular first.
  if (!regular.empty() && !lamp_test.empty() && Store(w.NUMVal, regular)) {
    Store(w.NUMVal2, lamp_test);
  }
  SendOrRefuse(d, protocol::BuildMarqueeBrightness(regular, lamp_test));
}

void Volume(Dispatcher& d) {
  FrmMain& w = d.Window();
  if (OnTcp(d) && !SernoChecked(d)) return;
  // The packet carries the serial number as typed, even unchecked on the serial link.
  w.SernoValStringSend = w.SernoText->Text();
  ZeroIfEmpty(w.VolumeText);
  ZeroIfEmpty(w.ChannelText);
  SendOrRefuse(d, protocol::BuildVolume({{w.GroupString, w.UnitString},
                                         w.SernoValStringSend,
                                         w.VolumeText->Text(),
                                         w.ChannelText->Text()}));
}

}  // namespace

void RegisterConfigBranches(Dispatcher& d) {
  d.SetBranch(&CommandFlags::SGUFlag, [&d] { SetGroupUnit(d); });
  d.SetBranch(&CommandFlags::ModSNFlag, [&d] { ModifySerial(d); });
  for (const SerialSettingBranch& branch : kSerialSettings) {
    d.SetBranch(branch.flag, [&d, &branch] { SendSerialSetting(d, branch); });
  }
  d.SetBranch(&CommandFlags::SLIFlag, [&d] { LedIntensity(d); });
  d.SetBranch(&CommandFlags::SMBFlag, [&d] { MarqueeBrightness(d); });
  d.SetBranch(&CommandFlags::VolumeFlag, [&d] { Volume(d); });
}

}  // namespace tvx::console
