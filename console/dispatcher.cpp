#include "console/dispatcher.h"

#include <algorithm>
#include <array>

#include "console/texts.h"
#include "protocol/numeric.h"

namespace tvx::console {

using window::CommandFlags;

namespace {
constexpr int kTickMs = 100;

// Commands whose Send skips the address check: they address by serial number, by the
// fixed bus address, or carry the address as typed.
constexpr std::array<FlagMember, 16> kExempt = {
    &CommandFlags::SVNFlag,  &CommandFlags::SGUFlag,   &CommandFlags::BootFlag,
    &CommandFlags::SACFlag,  &CommandFlags::SBTFlag,   &CommandFlags::SBSFlag,
    &CommandFlags::MiscFlag, &CommandFlags::ModSNFlag, &CommandFlags::SORFlag,
    &CommandFlags::SMDFlag,  &CommandFlags::SFDFlag,   &CommandFlags::SLIFlag,
    &CommandFlags::SMBFlag,  &CommandFlags::SDMFlag,   &CommandFlags::SL1Flag,
    &CommandFlags::MRQFlag};

// The order in which a tick tests the flags; the setting commands come in another order on
// each link. TU2Flag shares the tune branch and is tested with TuneFlag.
constexpr std::array<FlagMember, 17> kCommonOrder = {
    &CommandFlags::SVNFlag,  &CommandFlags::Andon2Flag, &CommandFlags::AndonFlag,
    &CommandFlags::MRQFlag,  &CommandFlags::SDMFlag,    &CommandFlags::SL1Flag,
    &CommandFlags::NUMFlag,  &CommandFlags::TuneFlag,   &CommandFlags::MiscFlag,
    &CommandFlags::TestFlag, &CommandFlags::ClearFlag,  &CommandFlags::DiagFlag,
    &CommandFlags::BootFlag, &CommandFlags::SGUFlag,    &CommandFlags::ModSNFlag,
    &CommandFlags::SBTFlag,  &CommandFlags::SBSFlag};
constexpr std::array<FlagMember, 7> kSerialSettingOrder = {
    &CommandFlags::SLIFlag, &CommandFlags::SFDFlag, &CommandFlags::SACFlag,
    &CommandFlags::SMBFlag, &CommandFlags::SORFlag, &CommandFlags::VolumeFlag,
    &CommandFlags::SMDFlag};
constexpr std::array<FlagMember, 7> kTcpSettingOrder = {
    &CommandFlags::SFDFlag,   &CommandFlags::SACFlag, &CommandFlags::SLIFlag,
    &CommandFlags::SMBFlag,   &CommandFlags::SORFlag, &CommandFlags::SMDFlag,
    &CommandFlags::VolumeFlag};
}  // namespace

Dispatcher::Dispatcher(window::FrmMain& w, links::LinkOutput& out) : w_(w), out_(out) {
  w_.SendButton->on_click = [this] { Send(); };
  w_.Timer1->on_tick = [this] { Tick(); };
  // With nothing pending, or no section to send, a tick only looks at the socket.
  w_.Timer1->idle = [this] { return !w_.SendArmed(); };
}

void Dispatcher::SetBranch(FlagMember flag, Branch branch) {
  for (auto& [f, b] : branches_) {
    if (f == flag) {
      b = std::move(branch);
      return;
    }
  }
  branches_.emplace_back(flag, std::move(branch));
}

void Dispatcher::Send() {
  // Without a section there is nothing to send; arming now would send whichever section
  // the operator picks next before Send is pressed.
  if (!w_.flags.Any()) return;
  if (!w_.flags.MiscFlag) w_.PacketText->SetText("");
  for (window::TextBox* box : {w_.GroupText, w_.UnitText}) {
    if (box->Text().size() == 1) box->SetText("0" + box->Text());
  }
  w_.GroupString = w_.GroupText->Text();
  w_.UnitString = w_.UnitText->Text();
  w_.Row = 1;
  w_.Col = 0;
  if (on_send_) on_send_();
  w_.Timer1->SetInterval(kTickMs);
  w_.Timer1->SetEnabled(true);
  for (FlagMember flag : kExempt) {
    if (w_.flags.*flag) {
      w_.SendFlag = true;
      return;
    }
  }
  if (!AddressCheck()) {
    w_.SendFlag = false;
    w_.Timer1->SetEnabled(false);
    return;
  }
  w_.SendFlag = true;
}

bool Dispatcher::AddressCheck() {
  if (w_.GroupText->Text().empty() || w_.UnitText->Text().empty()) {
    w_.StatusText->SetText(texts::kAddressMissing);
    return false;
  }
  const auto group = protocol::ToInt16(w_.GroupText->Text());
  if (!group || *group < 0) {
    w_.StatusText->SetText(texts::kAddressNotNumeric);
    return false;
  }
  w_.Group = *group;
  const auto unit = protocol::ToInt16(w_.UnitText->Text());
  if (!unit || *unit < 0) {
    w_.StatusText->SetText(texts::kAddressNotNumeric);
    return false;
  }
  w_.Unit = *unit;
  w_.GroupString = protocol::TwoDigits(w_.Group);
  w_.UnitString = protocol::TwoDigits(w_.Unit);
  return true;
}

void Dispatcher::Tick() {
  const protocol::Link link = out_.Choose();
  if (!w_.SendFlag) return;
  for (FlagMember flag : kCommonOrder) {
    if (w_.flags.*flag || (flag == &CommandFlags::TuneFlag && w_.flags.TU2Flag)) RunBranch(flag);
  }
  const auto& settings = link == protocol::Link::Tcp ? kTcpSettingOrder : kSerialSettingOrder;
  for (FlagMember flag : settings) {
    if (w_.flags.*flag) RunBranch(flag);
  }
}

void Dispatcher::RunBranch(FlagMember flag) {
  out_.ClearFailure();
  auto it = std::find_if(branches_.begin(), branches_.end(),
                         [flag](const auto& entry) { return entry.first == flag; });
  if (it == branches_.end()) {
    // A command whose branch is not built sends nothing and stops the dispatcher.
    w_.Timer1->SetEnabled(false);
    return;
  }
  it->second();
}

void Dispatcher::Finish(const protocol::Packet& packet, const std::string& sent_message) {
  w_.PacketText->SetText(packet.display);
  out_.Write(packet);
  ReportSent(sent_message);
  w_.Timer1->SetEnabled(false);
}

void Dispatcher::Refuse(const std::string& message) {
  w_.StatusText->SetText(message);
  w_.Timer1->SetEnabled(false);
}

void Dispatcher::ReportSent(const std::string& sent_message) {
  if (!out_.Failed()) {
    w_.StatusText->SetText(sent_message);
  } else if (out_.Current() == protocol::Link::Tcp) {
    w_.StatusText->SetText(texts::kTcpWriteFailed);
  } else {
    w_.StatusText->SetText(texts::SerialWriteFailed(w_.MSComm1.CommPort()));
  }
}

}  // namespace tvx::console
