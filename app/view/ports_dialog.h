#pragma once

#include <QDialog>
#include <array>
#include <map>
#include <string>

#include "links/port_list.h"

class QComboBox;
class QTableWidget;
class QTimer;

namespace tvx::app {

// Lists the machine's serial devices and lets the operator give Comm 1 to 4 any of them, or a
// typed path. The list follows devices that come and go. It only chooses: applying the choice
// is the caller's, through the port manager.
class PortsDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPorts = 4;
  PortsDialog(links::PortLister lister, const std::map<int, std::string>& devices,
              QWidget* parent = nullptr);

  // Comm k to device, for every box that is not empty.
  std::map<int, std::string> Assignments() const;
  // Lists the devices again when they changed since the last look.
  void Poll();
  int ListedPorts() const;

 private:
  void Fill(const std::vector<links::PortInfo>& ports);

  links::PortLister lister_;
  std::vector<links::PortInfo> shown_;
  QTableWidget* table_;
  std::array<QComboBox*, kPorts> boxes_{};
  QTimer* poll_;
};

}  // namespace tvx::app
