#include "app/port_settings.h"

#include <QSettings>

#include "window/operator_events.h"

namespace tvx::app {

namespace {
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;

constexpr const char* kOrganisation = "TVXORM";
constexpr const char* kApplication = "tvxorm";

QString Key(int port) {
  return QStringLiteral("ports/comm%1").arg(port);
}
}  // namespace

std::map<int, std::string> LoadPortAssignments(std::ostream& warnings) {
  QSettings settings(kOrganisation, kApplication);
  if (settings.status() != QSettings::NoError) {
    warnings << "tvxorm: the settings file " << settings.fileName().toStdString()
             << " cannot be read; using the default ports" << std::endl;
    return {};
  }
  std::map<int, std::string> devices;
  for (int port = kFirstPort; port <= kLastPort; ++port) {
    const QString device = settings.value(Key(port)).toString();
    if (!device.isEmpty()) devices[port] = device.toStdString();
  }
  return devices;
}

bool SavePortAssignments(const std::map<int, std::string>& devices) {
  QSettings settings(kOrganisation, kApplication);
  for (int port = kFirstPort; port <= kLastPort; ++port) {
    const auto it = devices.find(port);
    if (it == devices.end() || it->second.empty()) {
      settings.remove(Key(port));
    } else {
      settings.setValue(Key(port), QString::fromStdString(it->second));
    }
  }
  settings.sync();
  return settings.status() == QSettings::NoError;
}

std::map<int, std::string> MergedPorts(std::map<int, std::string> remembered,
                                       const std::map<int, std::string>& comm_options) {
  for (const auto& [port, device] : comm_options) remembered[port] = device;
  return remembered;
}

void ApplyPortAssignments(window::FrmMain& w, links::PortNames& names,
                          const std::map<int, std::string>& devices) {
  const int selected = w.MSComm1.CommPort();
  const std::string before = names.Device(selected);
  for (int port = kFirstPort; port <= kLastPort; ++port) {
    const auto it = devices.find(port);
    names.Set(port, it == devices.end() ? links::PortNames::DefaultDevice(port) : it->second);
  }
  if (w.TCPOption->Value() || names.Device(selected) == before) return;
  // The old device goes (its queued bytes still leave); selecting the port again makes the
  // port manager open the new one, as it reopens a closed current port.
  // A real port's close does not fail; were it to, the old device would stay in use.
  if (w.MSComm1.PortOpen()) static_cast<void>(w.MSComm1.SetPortOpen(false));
  if (window::Control* option = w.controls.Find("Comm" + std::to_string(selected) + "Option")) {
    window::OperatorClick(*option);
  }
}

}  // namespace tvx::app
