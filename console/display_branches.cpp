#include "console/display_branches.h"

#include "console/serial_number.h"
#include "protocol/andon_codes.h"
#include "protocol/commands.h"
#include "protocol/numeric.h"

namespace tvx::console {

using window::CommandFlags;
using window::kGreen, window::kLightGrey, window::kRed;

namespace {

bool Is(const window::Control* c, window::Color color) {
  return c->BackColor() == color;
}

protocol::Address SentAddress(const window::FrmMain& w) {
  return {w.GroupString, w.UnitString};
}

// The code of each attribute button that shows its selected colour, in the order ON, OFF,
// FS, FF: with one selected button, exactly one code.
std::string AttributeCodes(const window::FrmMain& w) {
  using protocol::AndonAttribute, protocol::AttributeCode;
  std::string codes;
  if (Is(w.NUMAttON, kGreen)) codes += AttributeCode(AndonAttribute::kOn);
  if (Is(w.NUMAttOFF, kRed)) codes += AttributeCode(AndonAttribute::kOff);
  if (Is(w.NUMAttFS, kGreen)) codes += AttributeCode(AndonAttribute::kFlashSlow);
  if (Is(w.NUMAttFF, kGreen)) codes += AttributeCode(AndonAttribute::kFlashFast);
  return codes;
}

void Marquee(Dispatcher& d) {
  window::FrmMain& w = d.Window();
  protocol::MarqueeFields f;
  const bool auto_centre =
      !Is(w.MRQAutoCenterON, kLightGrey) || !Is(w.MRQAutoCenterOFF, kLightGrey);
  if (auto_centre) {
    if (!ValidateSerno(w)) {
      w.Timer1->SetEnabled(false);
      return;
    }
    f.auto_centre =
        Is(w.MRQAutoCenterON, kGreen) ? protocol::AutoCentre::kOn : protocol::AutoCentre::kOff;
    f.serial_field = w.SernoValStringSend;
  }
  f.address = SentAddress(w);
  f.message = w.MRQText->Text();
  f.flash = Is(w.MRQFlashON, kGreen);
  f.clear_home = Is(w.MRQCHON, kGreen);
  f.carriage_return = Is(w.MRQCRON, kGreen);
  SendOrRefuse(d, protocol::BuildMarquee(f));
}

void DisplayMode(Dispatcher& d) {
  window::FrmMain& w = d.Window();
  const auto result = protocol::BuildDisplayMode(w.NUMText->Text());
  if (std::holds_alternative<protocol::Packet>(result)) {
    w.NUMVal = protocol::ToInt16(w.NUMText->Text()).value_or(0);
    w.GroupString = "00";
    w.UnitString = "00";
  }
  SendOrRefuse(d, result);
}

void Number(Dispatcher& d) {
  window::FrmMain& w = d.Window();
  SendOrRefuse(d, protocol::BuildNumber({SentAddress(w), w.NUMText->Text(), w.NumRowText->Text(),
                                         w.NumColText->Text(), AttributeCodes(w)}));
}

void StackLight(Dispatcher& d) {
  window::FrmMain& w = d.Window();
  SendOrRefuse(d, protocol::BuildStackLight({SentAddress(w), w.NumRowText->Text(),
                                             AttributeCodes(w), d.Out().Current()}));
}

void Tune(Dispatcher& d) {
  window::FrmMain& w = d.Window();
  w.TUFlagVal =
      protocol::CodeOf(w.flags.TuneFlag ? protocol::Command::kTU1 : protocol::Command::kTU2);
  SendOrRefuse(d, protocol::BuildTune({SentAddress(w), w.TUFlagVal, w.TUNText->Text(),
                                       w.SecondsText->Text(), w.RepeatText->Text(),
                                       w.DurationText->Text(), w.PriorityText->Text()}));
}

// Exclusive colour buttons: the chosen one takes its colour, the rest turn grey.
void Choose(window::Control* chosen, window::Color color,
            std::initializer_list<window::Control*> group) {
  for (window::Control* c : group) c->SetBackColor(kLightGrey);
  chosen->SetBackColor(color);
}

}  // namespace

void SendOrRefuse(Dispatcher& d, const protocol::BuildResult& result) {
  if (const auto* refusal = std::get_if<protocol::Refusal>(&result)) {
    d.Refuse(refusal->message);
  } else {
    const auto& packet = std::get<protocol::Packet>(result);
    d.Finish(packet, packet.status);
  }
}

void RegisterDisplayBranches(Dispatcher& d) {
  d.SetBranch(&CommandFlags::MRQFlag, [&d] { Marquee(d); });
  d.SetBranch(&CommandFlags::SDMFlag, [&d] { DisplayMode(d); });
  d.SetBranch(&CommandFlags::NUMFlag, [&d] { Number(d); });
  d.SetBranch(&CommandFlags::SL1Flag, [&d] { StackLight(d); });
  d.SetBranch(&CommandFlags::TuneFlag, [&d] { Tune(d); });
  const std::pair<FlagMember, protocol::Maintenance> maintenance[] = {
      {&CommandFlags::SVNFlag, protocol::Maintenance::kSoftwareVersion},
      {&CommandFlags::TestFlag, protocol::Maintenance::kLampTest},
      {&CommandFlags::ClearFlag, protocol::Maintenance::kClear},
      {&CommandFlags::DiagFlag, protocol::Maintenance::kDiagnostics},
      {&CommandFlags::BootFlag, protocol::Maintenance::kSoftBoot}};
  for (const auto& entry : maintenance) {
    const protocol::Maintenance command = entry.second;
    d.SetBranch(entry.first, [&d, command] {
      const auto packet = protocol::BuildMaintenance(command, SentAddress(d.Window()));
      d.Finish(packet, packet.status);
    });
  }
}

void WireDisplayOptions(window::FrmMain& w) {
  w.MRQFlashON->on_click = [&w] { Choose(w.MRQFlashON, kGreen, {w.MRQFlashON, w.MRQFlashOFF}); };
  w.MRQFlashOFF->on_click = [&w] { Choose(w.MRQFlashOFF, kRed, {w.MRQFlashON, w.MRQFlashOFF}); };
  // Auto-centre may also be not chosen: a second click on the chosen button clears it.
  w.MRQAutoCenterON->on_click = [&w] {
    if (Is(w.MRQAutoCenterON, kLightGrey)) {
      Choose(w.MRQAutoCenterON, kGreen, {w.MRQAutoCenterON, w.MRQAutoCenterOFF});
    } else {
      w.MRQAutoCenterON->SetBackColor(kLightGrey);
    }
  };
  w.MRQAutoCenterOFF->on_click = [&w] {
    if (Is(w.MRQAutoCenterOFF, kLightGrey)) {
      Choose(w.MRQAutoCenterOFF, kRed, {w.MRQAutoCenterON, w.MRQAutoCenterOFF});
    } else {
      w.MRQAutoCenterOFF->SetBackColor(kLightGrey);
    }
  };
  // Clear & Home and Carriage Return exclude each other when switched on.
  w.MRQCHON->on_click = [&w] {
    Choose(w.MRQCHON, kGreen, {w.MRQCHON, w.MRQCHOFF});
    Choose(w.MRQCROFF, kRed, {w.MRQCRON, w.MRQCROFF});
  };
  w.MRQCRON->on_click = [&w] {
    Choose(w.MRQCRON, kGreen, {w.MRQCRON, w.MRQCROFF});
    Choose(w.MRQCHOFF, kRed, {w.MRQCHON, w.MRQCHOFF});
  };
  w.MRQCHOFF->on_click = [&w] { Choose(w.MRQCHOFF, kRed, {w.MRQCHON, w.MRQCHOFF}); };
  w.MRQCROFF->on_click = [&w] { Choose(w.MRQCROFF, kRed, {w.MRQCRON, w.MRQCROFF}); };

  const std::pair<window::Control*, window::Color> attributes[] = {
      {w.NUMAttOFF, kRed}, {w.NUMAttON, kGreen}, {w.NUMAttFS, kGreen}, {w.NUMAttFF, kGreen}};
  for (const auto& attribute : attributes) {
    window::Control* button = attribute.first;
    const window::Color color = attribute.second;
    button->on_click = [&w, button, color] {
      Choose(button, color, {w.NUMAttOFF, w.NUMAttON, w.NUMAttFS, w.NUMAttFF});
    };
  }
}

}  // namespace tvx::console
