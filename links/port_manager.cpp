#include "links/port_manager.h"

#include "links/texts.h"
#include "protocol/link.h"

namespace tvx::links {

namespace {
constexpr const char* kSettings = protocol::kLineSettings;
constexpr int kSwitchDelayMs = 5;
}  // namespace

PortManager::PortManager(window::FrmMain& w) : w_(w) {
  for (int k = 1; k <= 4; ++k) OptionOf(k)->on_click = [this, k] { SerialOptionSelected(k); };
  w_.TCPOption->on_click = [this] { TcpOptionSelected(); };
  w_.Timer3->on_tick = [this] { SwitchTick(); };
}

window::OptionButton* PortManager::OptionOf(int k) const {
  window::OptionButton* options[] = {w_.Comm1Option, w_.Comm2Option, w_.Comm3Option,
                                     w_.Comm4Option};
  return options[k - 1];
}

bool PortManager::OpenPort(int k) {
  w_.MSComm1.SetCommPort(k);
  w_.MSComm1.SetSettings(kSettings);
  return w_.MSComm1.SetPortOpen(true);
}

void PortManager::DefaultPortProbe() {
  probing_ = true;
  w_.MSCommCount = 1;
  bool opened = false;
  for (int k = 1; k <= 4 && !opened; ++k) {
    w_.MSCommCount = static_cast<std::int16_t>(k);
    w_.MSComm1.SetCommPort(k);
    if (w_.MSComm1.PortOpen()) {
      opened = true;
      break;
    }
    w_.MSComm1.SetSettings(kSettings);
    w_.OldComm = static_cast<std::int16_t>(k);
    OptionOf(k)->Select();
    opened = w_.MSComm1.SetPortOpen(true);
  }
  probing_ = false;
  w_.StatusText->SetText(opened ? texts::DefaultPort(w_.MSComm1.CommPort()) : texts::kNoPorts);
}

void PortManager::ShowTcpFields(bool show) {
  for (window::Control* c : {static_cast<window::Control*>(w_.RemoteIPLabel),
                             static_cast<window::Control*>(w_.RemoteIPText),
                             static_cast<window::Control*>(w_.RemoteIPButton),
                             static_cast<window::Control*>(w_.RemotePortLabel),
                             static_cast<window::Control*>(w_.RemotePortText)}) {
    c->SetEnabled(show);
    c->SetVisible(show);
  }
}

void PortManager::ScheduleSwitch() {
  w_.Timer3->SetInterval(kSwitchDelayMs);
  w_.Timer3->SetEnabled(true);
}

void PortManager::SerialOptionSelected(int k) {
  if (w_.Winsock1.State() != window::kSckClosed) w_.Winsock1.Close();
  w_.NewComm = static_cast<std::int16_t>(k);
  w_.TCPOption->Deselect();
  ShowTcpFields(false);
  // The current port is reopened when it is closed, so a selected option never shows a
  // closed port as the one in use.
  const bool reopen_closed = !probing_ && !w_.MSComm1.PortOpen();
  if (w_.NewComm != w_.OldComm || w_.TCPIP || reopen_closed) {
    if (w_.MSComm1.PortOpen() && !w_.MSComm1.SetPortOpen(false)) {
      w_.StatusText->SetText(texts::ErrorClosing(w_.OldComm));
      return;
    }
    ScheduleSwitch();
  }
}

void PortManager::TcpOptionSelected() {
  if (w_.OldComm >= 1 && w_.OldComm <= 4) w_.NewComm = static_cast<std::int16_t>(w_.OldComm * 11);
  w_.TCPIP = true;
  if (w_.MSComm1.PortOpen() && !w_.MSComm1.SetPortOpen(false)) {
    w_.StatusText->SetText(texts::ErrorClosing(w_.OldComm));
    return;
  }
  ScheduleSwitch();
}

void PortManager::SwitchTick() {
  if (w_.NewComm > 4) {
    SwitchToTcp();
  } else {
    SwitchToSerial();
  }
  w_.Timer3->SetEnabled(false);
}

void PortManager::SwitchToTcp() {
  for (int k = 1; k <= 4; ++k) OptionOf(k)->Deselect();
  w_.TCPOption->MarkSelected();
  w_.StatusText->SetText(texts::kEnterRemoteAddress);
  ShowTcpFields(true);
}

void PortManager::SwitchToSerial() {
  w_.TCPOption->Deselect();
  if (w_.Winsock1.State() != window::kSckClosed) w_.Winsock1.Close();
  if (w_.MSComm1.PortOpen()) {
    w_.OldComm = w_.NewComm;
    return;
  }
  if (OpenPort(w_.NewComm)) {
    w_.StatusText->SetText(texts::PortSelected(w_.NewComm));
    w_.OldComm = w_.NewComm;
    return;
  }
  const int failed = w_.NewComm;
  const int previous = w_.OldComm;
  w_.MSComm1.SetCommPort(previous);
  OptionOf(previous)->Select();
  // Fall back for real, so the message tells the truth about the port in use.
  const bool reopened = OpenPort(previous);
  w_.StatusText->SetText(reopened ? texts::PortFallback(failed, previous)
                                  : texts::PortFallbackFailed(failed, previous));
}

}  // namespace tvx::links
