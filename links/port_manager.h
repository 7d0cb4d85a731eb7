#pragma once

#include "window/main_window.h"

namespace tvx::links {

// The serial side of the link choice: the default port probe at start-up, the five
// link options, and the switch that happens one Timer3 tick after a selection.
class PortManager {
 public:
  explicit PortManager(window::FrmMain& w);

  void DefaultPortProbe();

 private:
  void SerialOptionSelected(int k);
  void TcpOptionSelected();
  void SwitchTick();
  void SwitchToTcp();
  void SwitchToSerial();
  window::OptionButton* OptionOf(int k) const;
  void ScheduleSwitch();
  void ShowTcpFields(bool show);
  [[nodiscard]] bool OpenPort(int k);

  window::FrmMain& w_;
  // The probe selects each option before it opens the port; that must not look like a
  // request to reopen a closed port.
  bool probing_ = false;
};

}  // namespace tvx::links
