#include "links/port_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace tvx::links {

std::vector<PortInfo> ListPorts() {
  // The by-id links survive re-plugging, unlike ttyUSB numbers.
  const QFileInfoList by_id =
      QDir(QStringLiteral("/dev/serial/by-id")).entryInfoList(QDir::Files | QDir::System);
  std::vector<PortInfo> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortInfo port{info.systemLocation().toStdString(),
                  info.description().toStdString(),
                  info.manufacturer().toStdString(),
                  info.serialNumber().toStdString(),
                  {}};
    for (const QFileInfo& link : by_id) {
      if (link.canonicalFilePath() == info.systemLocation()) {
        port.stable_names.push_back(link.absoluteFilePath().toStdString());
      }
    }
    ports.push_back(std::move(port));
  }
  return ports;
}

}  // namespace tvx::links
